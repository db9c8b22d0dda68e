#!/usr/bin/env bash
# Configures and builds Quorvia into build/ (or $QUORVIA_BUILD_DIR).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${QUORVIA_BUILD_DIR:-$root/build}"
# A compiler cache, where one is installed, makes a second build tree (a worktree, a Debian root) cheap.
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)" "$@"
