#!/usr/bin/env bash
# Writes the demo database and the report template into the program folder (build/bin), unless present.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="${QUORVIA_BUILD_DIR:-$root/build}/bin"
[ -f "$bin/MOSA_DB.mdb" ] || "$bin/make_demo_db" --out "$bin/MOSA_DB.mdb"
[ -f "$bin/MOSA_QUERY.xls" ] || "$bin/make_report_template" --out "$bin/MOSA_QUERY.xls"
