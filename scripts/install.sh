#!/usr/bin/env bash
# Installs Vardolin for the current user: the program and its settings files in
# one folder the user owns (the settings live beside the program), a launcher on
# the PATH, a desktop entry, icons and AppStream metadata. Settings files already
# in the folder are kept as they are.
#   PREFIX (default ~/.local)  APP_DIR (default $PREFIX/share/vardolin)
set -euo pipefail
# shellcheck source=desktop-caches.sh
source "$(dirname "$0")/desktop-caches.sh"
PREFIX="$(realpath -ms "${PREFIX:-$HOME/.local}")"
APP_DIR="$(realpath -ms "${APP_DIR:-$PREFIX/share/vardolin}")"
cd "$(dirname "$0")/.."

if [ "${SKIP_BUILD:-0}" != 1 ]; then
  bash scripts/deps.sh
  bash scripts/build.sh -DBUILD_TESTING=OFF -DVARDOLIN_BENCH=OFF
fi

# The install rules (cmake/Install.cmake) place everything. The launcher and
# the desktop entry are made for the prefix and the program's folder when the
# build is configured, so both are given each time.
cmake -S . -B build -DCMAKE_INSTALL_PREFIX="$PREFIX" -DVARDOLIN_APP_DIR="$APP_DIR" >/dev/null
# The folders this install makes: a trial install into an empty folder shows
# every folder it writes into; those that do not exist yet are new.
stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
DESTDIR="$stage" cmake --install build >/dev/null
made="$(cd "$stage" && find . -mindepth 1 -type d | while IFS= read -r d; do
          d="${d#.}"; [ -e "$d" ] || printf '%s\n' "$d"; done)"
cmake --install build >/dev/null

# Caches are brought up to date where the desktop keeps them already; none is
# made where there was none (the desktop reads the folders then).
refresh_desktop_caches "$PREFIX"

# What uninstall.sh removes: the files of every install so far, as CMake
# listed them, and the folders they made. Kept across reinstalls.
MANIFEST="$APP_DIR/.install-manifest"
MADE="$APP_DIR/.install-made"
touch "$MANIFEST" "$MADE"
sort -u build/install_manifest.txt "$MANIFEST" -o "$MANIFEST"
{ cat "$MADE"; [ -z "$made" ] || printf '%s\n' "$made"; } | sort -u -o "$MADE"

echo "Vardolin installed in $APP_DIR"
case ":$PATH:" in *":$PREFIX/bin:"*) ;; *) echo "Add $PREFIX/bin to your PATH to start it as 'vardolin'.";; esac
