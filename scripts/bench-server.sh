#!/usr/bin/env bash
# Runs bench_server (build/bin) against a private PostgreSQL cluster that lives only as long as this script.
# Arguments go to bench_server, e.g. --records 1000000 --reps 3.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${QUORVIA_BUILD_DIR:-$root/build}"
# A team server keeps a country it is asked about over and over in its own memory: 2 GB of buffers hold the
# 10,000,000-record table and its indexes that the queries read. (With the default 128 MB every query copies
# its pages in again from the system's file cache; QUORVIA_PG_SHARED_BUFFERS=128MB measures that.)
export QUORVIA_PG_SHARED_BUFFERS="${QUORVIA_PG_SHARED_BUFFERS:-2GB}"
cluster="$("$root/scripts/pg-test-cluster.sh" start)"
trap '"$root/scripts/pg-test-cluster.sh" stop "$cluster"' EXIT
"$build/bin/bench_server" --server "host=$cluster port=5432 user=postgres dbname=postgres" "$@"
