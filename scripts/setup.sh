#!/usr/bin/env bash
# Installs the Debian packages Quorvia needs, only those still missing. Safe to run again.
# The full Calc (not the -nogui build) because quorvia-report shows the report in a window; Quorvia's own
# office still runs headless on it. dpkg-dev (dpkg-shlibdeps) builds the Debian package; lintian,
# desktop-file-utils and appstream check it.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  libgtest-dev libgmock-dev
  qt6-base-dev libgl-dev
  libsqlite3-dev sqlite3 poppler-utils
  mdbtools-dev mdbtools
  libpq-dev postgresql
  libreoffice-calc libreoffice-dev
  fonts-liberation2 fonts-crosextra-carlito
  xvfb xauth x11-utils imagemagick xdotool iproute2
  dpkg-dev lintian desktop-file-utils appstream
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
