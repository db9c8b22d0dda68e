#!/usr/bin/env bash
# Installs desktop menu entries for Quorvia and quorvia-report of this build, with absolute paths, into
# ${XDG_DATA_HOME:-~/.local/share}/applications. Safe to run again; a moved build needs it run again.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="$(realpath -m "${QUORVIA_BUILD_DIR:-$root/build}/bin")"
apps="${XDG_DATA_HOME:-$HOME/.local/share}/applications"
mkdir -p "$apps"

# A path as one quoted argument of an Exec key: \ " ` $ escaped inside the quotes, then \ doubled again
# because the whole value is a string in which backslash escapes.
exec_argument() {
  local quoted
  quoted="$(printf '%s' "$1" | sed -e 's/[\\"`$]/\\&/g' -e 's/\\/\\\\/g')"
  printf '"%s"' "$quoted"
}

write_entry() {
  local file="$apps/$1" name="$2" comment="$3" exec="$4" icon="$5"
  cat >"$file.tmp" <<ENTRY
[Desktop Entry]
Type=Application
Version=1.0
Name=$name
Comment=$comment
Exec=$exec
Path=$bin
Icon=$icon
Terminal=false
Categories=Office;
ENTRY
  mv "$file.tmp" "$file"
  echo "Installed $file"
}

icon="$root/packaging/org.quorvia.Quorvia.svg"
write_entry quorvia.desktop "Quorvia" "Query land-cover changes and refresh the report workbook" \
  "$(exec_argument "$bin/quorvia") %f" "$icon"
write_entry quorvia-report.desktop "Quorvia report" \
  "Show MOSA_QUERY.xls in LibreOffice Calc; every UPDATE QUERY in Quorvia refreshes it there" \
  "$(exec_argument "$bin/quorvia-report") --dialog %f" "$icon"
command -v update-desktop-database >/dev/null && update-desktop-database -q "$apps" 2>/dev/null || true
