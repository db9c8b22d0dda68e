#!/usr/bin/env bash
# One command on a fresh machine: install what is missing, build, run every test (no display needed).
# The server tests run against a private PostgreSQL cluster that lives only as long as this script.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${QUORVIA_BUILD_DIR:-$root/build}"
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
export QT_QPA_PLATFORM=offscreen

cluster="$("$root/scripts/pg-test-cluster.sh" start)"
trap '"$root/scripts/pg-test-cluster.sh" stop "$cluster"' EXIT
export PGHOST="$cluster" PGPORT=5432
# The superuser's connection, for the tests that make databases and roles.
export QUORVIA_TEST_SERVER="host=$cluster port=5432 user=postgres dbname=postgres"

cd "$build"
ctest --output-on-failure --timeout 900 -j2
