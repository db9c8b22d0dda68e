#!/usr/bin/env bash
# Runs the README's test command in a fresh Debian root, as a newcomer on that release would: a minimal
# system made with debootstrap, this working tree copied in (the files git tracks and the new ones it does
# not ignore, nothing built), then ./scripts/test.sh inside it. Prints the test summary and removes the root.
#
#   scripts/test-in-debian.sh 12|13 [--keep] [--install PACKAGE.deb]
#
# 12 is bookworm, 13 is trixie. --keep leaves the root in place for a look afterwards (its folder is printed).
# --install also installs a package built elsewhere (say the one built on Debian 12) in that root after the
# tests, with apt as a user would, and makes a demo folder and runs an update with it.
# QUORVIA_DEBIAN_MIRROR names another mirror (default http://deb.debian.org/debian). It needs root (through
# sudo otherwise), debootstrap, and about 6 GB in ${TMPDIR:-/var/tmp}; it takes about 20 minutes.
set -euo pipefail

usage() { echo "usage: $0 12|13 [--keep] [--install PACKAGE.deb]" >&2; exit 2; }
case "${1:-}" in
  12) suite=bookworm ;;
  13) suite=trixie ;;
  --help | -h) echo "usage: $0 12|13 [--keep] [--install PACKAGE.deb]"; exit 0 ;;
  *) usage ;;
esac
release="$1"
shift
keep=false
package=""
while [ $# -gt 0 ]; do
  case "$1" in
    --keep) keep=true ;;
    --install) [ $# -ge 2 ] || usage; package="$(realpath "$2")"; shift ;;
    *) usage ;;
  esac
  shift
done
[ -z "$package" ] || [ -f "$package" ] || { echo "No package at $package" >&2; exit 2; }
if [ "$(id -u)" -ne 0 ]; then
  args=("$release")
  $keep && args+=(--keep)
  [ -n "$package" ] && args+=(--install "$package")
  exec sudo --preserve-env=QUORVIA_DEBIAN_MIRROR,TMPDIR "$0" "${args[@]}"
fi
command -v debootstrap >/dev/null ||
  { echo "debootstrap is missing: apt-get install debootstrap" >&2; exit 1; }

tree="$(cd "$(dirname "$0")/.." && pwd)"
mirror="${QUORVIA_DEBIAN_MIRROR:-http://deb.debian.org/debian}"
work="$(mktemp -d "${TMPDIR:-/var/tmp}/quorvia-debian-$release-XXXXXX")"
root="$work/root"
log="$work/test.log"

# Processes left in the root (an office, a server) keep its mounts busy: they go first, then the mounts,
# innermost first, then the folder.
cleanup() {
  local pid mounts
  for pid in $(ls /proc | grep -E '^[0-9]+$'); do
    [ "$(readlink "/proc/$pid/root" 2>/dev/null)" = "$root" ] && kill -9 "$pid" 2>/dev/null
  done
  mounts="$(awk -v r="$root" '$2 == r || index($2, r "/") == 1 {print $2}' /proc/mounts | sort -r)"
  for m in $mounts; do umount -l "$m" 2>/dev/null || true; done
  if $keep; then echo "Root kept in $root" >&2; else rm -rf "$work"; fi
}
trap cleanup EXIT

echo "== Debian $release ($suite): making a fresh root in $root" >&2
debootstrap --variant=minbase --include=ca-certificates,git "$suite" "$root" "$mirror" >"$work/debootstrap.log" 2>&1 ||
  { tail -n 30 "$work/debootstrap.log" >&2; exit 1; }

# Packages install without starting their services (postgresql would start a cluster of its own).
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod 755 "$root/usr/sbin/policy-rc.d"
cp /etc/resolv.conf "$root/etc/resolv.conf"
mount -t proc proc "$root/proc"
mount -t sysfs sysfs "$root/sys"
mount --bind /dev "$root/dev"
mount -t devpts devpts "$root/dev/pts" -o newinstance,ptmxmode=0666 2>/dev/null || mount --bind /dev/pts "$root/dev/pts"
mount -t tmpfs tmpfs "$root/dev/shm"
mount -t tmpfs tmpfs "$root/tmp"

echo "== Copying the working tree in" >&2
mkdir -p "$root/root/quorvia"
(cd "$tree" && git ls-files -z --cached --others --exclude-standard |
  while IFS= read -r -d '' f; do [ -e "$f" ] && printf '%s\0' "$f"; done |
  tar --null -T - -cf -) | tar -C "$root/root/quorvia" -xf -

echo "== Running ./scripts/test.sh inside (log: $log)" >&2
status=0
chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  LANG=C.UTF-8 CI=true bash -c 'cd /root/quorvia && ./scripts/test.sh' </dev/null >"$log" 2>&1 || status=$?

echo "== Debian $release ($suite), exit status $status" >&2
grep -E 'warning:' "$log" | sort -u | head -n 20 || true
grep -E '^[0-9]+% tests passed|tests failed out of|^The following tests FAILED|^[[:space:]]+[0-9]+ - ' "$log" || tail -n 40 "$log"
if [ -n "$package" ]; then
  echo "== Installing $(basename "$package") and running it" >&2
  cp "$package" "$root/root/"
  chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    LANG=C.UTF-8 DEBIAN_FRONTEND=noninteractive bash -c "set -e
      apt-get install -y -q '/root/$(basename "$package")' >/dev/null
      quorvia-run --make-demo /root/demo
      quorvia-run --folder /root/demo --update" </dev/null >>"$log" 2>&1 &&
    echo "The package installs and updates a demo folder." >&2 ||
    { echo "The package failed to install or run (see the log)." >&2; status=1; }
fi
cp "$log" "${TMPDIR:-/var/tmp}/quorvia-debian-$release.log"
echo "Whole log: ${TMPDIR:-/var/tmp}/quorvia-debian-$release.log" >&2
exit "$status"
