#!/usr/bin/env bash
# One command on a fresh machine: install what is missing, build, make the demo data, put Quorvia and
# quorvia-report in the desktop menu, start Quorvia.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
"$root/scripts/demo-data.sh"
"$root/scripts/desktop-entries.sh"
exec "${QUORVIA_BUILD_DIR:-$root/build}/bin/quorvia"
