#!/usr/bin/env bash
# A private PostgreSQL cluster for the tests: made with initdb in a temporary folder, reachable only through
# a Unix socket in that folder (no TCP port), stopped and removed again by "stop".
#
#   scripts/pg-test-cluster.sh start   prints the folder; the server listens in it
#   scripts/pg-test-cluster.sh stop FOLDER
#   scripts/pg-test-cluster.sh crash FOLDER   stops the server at once (-m immediate), as a crash would
#
# QUORVIA_PG_BIN names the folder of initdb and pg_ctl (default: the newest installed version's).
# QUORVIA_PG_SHARED_BUFFERS sets the server's buffer memory (default 128MB, the server's own default).
# QUORVIA_PG_MAX_CONNECTIONS sets how many clients the server takes at once (default 60), for a test of a
# server that has no free connection slot.
#
# The cluster's superuser is "postgres" and logs in over the socket without a password; every other role
# logs in with its password (so the tests can check a wrong one). The server refuses to run as root: then
# it runs as the system user postgres, which Debian's postgresql package makes.
set -euo pipefail

# The server programs of the newest PostgreSQL installed (Debian 12 ships 15, Debian 13 ships 17).
newest_server_bin() {
  local found
  found="$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)"
  [ -n "$found" ] && [ -x "$found/initdb" ] ||
    { echo "No PostgreSQL server programs under /usr/lib/postgresql: install the postgresql package." >&2; exit 1; }
  echo "$found"
}
bin="${QUORVIA_PG_BIN:-$(newest_server_bin)}"
port=5432

as_server_user() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

start() {
  local folder
  folder="$(mktemp -d "${TMPDIR:-/tmp}/quorvia-pg-XXXXXX")"
  chmod 755 "$folder"
  [ "$(id -u)" -eq 0 ] && chown postgres: "$folder"
  as_server_user "$bin/initdb" -D "$folder/data" -U postgres -E UTF8 --locale=C.UTF-8 \
    --auth-local=scram-sha-256 >"$folder/initdb.log" 2>&1 || { cat "$folder/initdb.log" >&2; exit 1; }
  # The superuser alone logs in without a password, and only over the socket of this folder.
  sed -i '1i local all postgres trust' "$folder/data/pg_hba.conf"
  cat >>"$folder/data/postgresql.conf" <<CONF
listen_addresses = ''
unix_socket_directories = '$folder'
port = $port
max_connections = ${QUORVIA_PG_MAX_CONNECTIONS:-60}
fsync = off
synchronous_commit = off
full_page_writes = off
shared_buffers = ${QUORVIA_PG_SHARED_BUFFERS:-128MB}
CONF
  as_server_user "$bin/pg_ctl" -D "$folder/data" -l "$folder/server.log" -w -t 60 start >/dev/null ||
    { cat "$folder/server.log" >&2; exit 1; }
  echo "$folder"
}

stop() {
  local folder="$1"
  case "$folder" in */quorvia-pg-*) ;; *) echo "not a test cluster folder: $folder" >&2; exit 2 ;; esac
  if [ -f "$folder/data/postmaster.pid" ]; then
    as_server_user "$bin/pg_ctl" -D "$folder/data" -m fast -w stop >/dev/null || true
  fi
  rm -rf "$folder"
}

crash() {
  local folder="$1"
  case "$folder" in */quorvia-pg-*) ;; *) echo "not a test cluster folder: $folder" >&2; exit 2 ;; esac
  as_server_user "$bin/pg_ctl" -D "$folder/data" -m immediate -w stop >/dev/null
}

case "${1:-}" in
  start) start ;;
  stop) stop "${2:?folder}" ;;
  crash) crash "${2:?folder}" ;;
  *) echo "usage: $0 start | stop FOLDER | crash FOLDER" >&2; exit 2 ;;
esac
