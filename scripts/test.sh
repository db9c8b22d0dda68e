#!/usr/bin/env bash
# One command on a fresh machine: install what is missing, build, run every test (no display needed).
# The server tests run against a private PostgreSQL cluster that lives only as long as this script.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${QUORVIA_BUILD_DIR:-$root/build}"
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
export QT_QPA_PLATFORM=offscreen

# The offices the tests start name their pipes after temporary folders and test processes; an office
# that is ended leaves its pipe's socket in /tmp. Those that this run made and nobody listens on go.
stamp="$(mktemp)"
remove_office_sockets() {
  local listening socket
  listening="$(ss -xlH 2>/dev/null | awk '{print $5}')" || listening=""
  for socket in /tmp/OSL_PIPE_"$(id -u)"_*; do
    [ -S "$socket" ] && [ "$socket" -nt "$stamp" ] || continue
    grep -qxF "$socket" <<<"$listening" || rm -f "$socket"
  done
  rm -f "$stamp"
}

cluster="$("$root/scripts/pg-test-cluster.sh" start)"
trap '"$root/scripts/pg-test-cluster.sh" stop "$cluster"; remove_office_sockets' EXIT
export PGHOST="$cluster" PGPORT=5432
# The superuser's connection, for the tests that make databases and roles.
export QUORVIA_TEST_SERVER="host=$cluster port=5432 user=postgres dbname=postgres"

cd "$build"
ctest --output-on-failure --timeout 900 -j2
