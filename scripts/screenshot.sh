#!/usr/bin/env bash
# Starts Quorvia on the demo data under a virtual X display and saves a PNG of its main window.
# Usage: scripts/screenshot.sh [OUTPUT.png]   (default: build/screenshots/main-window.png)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${QUORVIA_BUILD_DIR:-$root/build}"
out="$(realpath -m "${1:-$build/screenshots/main-window.png}")"
"$root/scripts/setup.sh"
"$root/scripts/build.sh" --target quorvia make_demo_db make_report_template
"$root/scripts/demo-data.sh"
mkdir -p "$(dirname "$out")"

title="Quorvia v.5 (September 04)"
export QUORVIA_BIN="$build/bin/quorvia" QUORVIA_SHOT="$out" QUORVIA_TITLE="$title"
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  "$QUORVIA_BIN" & pid=$!
  trap "kill $pid 2>/dev/null || true" EXIT
  for _ in $(seq 1 200); do
    xwininfo -name "$QUORVIA_TITLE" >/dev/null 2>&1 && break
    kill -0 $pid 2>/dev/null || { echo "quorvia ended before showing its window" >&2; exit 1; }
    sleep 0.1
  done
  sleep 1
  import -window "$QUORVIA_TITLE" "$QUORVIA_SHOT"
'
echo "Saved $out"
