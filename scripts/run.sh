#!/usr/bin/env bash
# One command on a fresh machine: install what is missing, build, make the demo data, start Quorvia.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
"$root/scripts/demo-data.sh"
exec "${QUORVIA_BUILD_DIR:-$root/build}/bin/quorvia"
