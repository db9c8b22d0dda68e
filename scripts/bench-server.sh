#!/usr/bin/env bash
# Runs bench_server (build/bin) against a private PostgreSQL cluster that lives only as long as this script.
# Arguments go to bench_server, e.g. --records 1000000 --reps 3.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${QUORVIA_BUILD_DIR:-$root/build}"
cluster="$("$root/scripts/pg-test-cluster.sh" start)"
trap '"$root/scripts/pg-test-cluster.sh" stop "$cluster"' EXIT
"$build/bin/bench_server" --server "host=$cluster port=5432 user=postgres dbname=postgres" "$@"
