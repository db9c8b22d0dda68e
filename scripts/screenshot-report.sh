#!/usr/bin/env bash
# Watching the report live, as a picture: under a virtual X display, quorvia-report shows the report,
# Quorvia starts beside it, UPDATE QUERY is clicked, and both windows are saved side by side as a PNG.
# Usage: scripts/screenshot-report.sh [OUTPUT.png]   (default: build/screenshots/report-live.png)
# The office runs on a throw-away profile and HOME; the program folder is the build's (build/bin).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${QUORVIA_BUILD_DIR:-$root/build}"
out="$(realpath -m "${1:-$build/screenshots/report-live.png}")"
"$root/scripts/setup.sh"
"$root/scripts/build.sh" --target quorvia quorvia-report make_demo_db make_report_template
"$root/scripts/demo-data.sh"
mkdir -p "$(dirname "$out")"
work="$(mktemp -d /tmp/quorvia-shot-XXXXXX)"
trap 'rm -rf "$work"' EXIT

export QUORVIA_BIN_DIR="$build/bin" QUORVIA_SHOT="$out" QUORVIA_WORK="$work"
xvfb-run -a -s "-screen 0 1600x900x24" bash -c '
  set -euo pipefail
  export HOME="$QUORVIA_WORK/home"
  mkdir -p "$HOME"
  quorvia_pid=""
  end_all() {
    [ -n "$quorvia_pid" ] && kill "$quorvia_pid" 2>/dev/null || true
    # The office of this script is the one that runs on its throw-away profile.
    for pid in $(pgrep -u "$(id -u)" -f -- "$QUORVIA_WORK/profile" || true); do kill "$pid" 2>/dev/null || true; done
    # Ended that way, the office leaves its lock beside the report; only a lock naming our profile goes.
    sleep 2
    lock="$QUORVIA_BIN_DIR/.~lock.MOSA_QUERY.xls#"
    if [ -f "$lock" ] && grep -q "$QUORVIA_WORK/profile" "$lock"; then rm -f "$lock"; fi
  }
  trap end_all EXIT
  wait_window() {
    for _ in $(seq 1 300); do
      xdotool search --name "$1" 2>/dev/null | head -1 | grep . && return 0
      sleep 0.1
    done
    echo "no window named $1 appeared" >&2
    return 1
  }

  "$QUORVIA_BIN_DIR/quorvia-report" --profile "$QUORVIA_WORK/profile"
  report=$(wait_window "MOSA_QUERY.xls")
  xdotool windowmove "$report" 510 0 windowsize "$report" 1090 900

  "$QUORVIA_BIN_DIR/quorvia" & quorvia_pid=$!
  main=$(wait_window "^Quorvia v[.]5 ")
  xdotool windowmove "$main" 0 0
  sleep 1
  # UPDATE QUERY: the button drawn at 120,4935 twips, 2370 x 495 (15 twips to the pixel); its centre.
  xdotool mousemove --window "$main" 87 345 click 1
  sleep 4
  # The refresh leaves the cover page in front; the figures are on the next sheet.
  xdotool windowfocus "$report" key ctrl+Next
  sleep 1
  import -window root "$QUORVIA_SHOT"
'
echo "Saved $out"
