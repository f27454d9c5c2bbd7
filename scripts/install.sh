#!/usr/bin/env bash
# Installs Vardolin for the current user: the program and its settings files in
# one folder the user owns (the settings live beside the program), a launcher on
# the PATH, a desktop entry, icons and AppStream metadata. Settings files already
# in the folder are kept as they are.
#   PREFIX (default ~/.local)  APP_DIR (default $PREFIX/share/vardolin)
set -euo pipefail
cd "$(dirname "$0")/.."
PREFIX="${PREFIX:-$HOME/.local}"
APP_DIR="${APP_DIR:-$PREFIX/share/vardolin}"

if [ "${SKIP_BUILD:-0}" != 1 ]; then
  bash scripts/deps.sh
  bash scripts/build.sh -DBUILD_TESTING=OFF -DVARDOLIN_BENCH=OFF
fi

ICONS="$PREFIX/share/icons/hicolor"
ICON_DIRS=("$ICONS/scalable/apps")
for s in 16 24 32 48 64 128 256; do ICON_DIRS+=("$ICONS/${s}x${s}/apps"); done
# What this install makes that was not there before (folders, the icon cache),
# so that uninstall.sh removes exactly that again. Kept across reinstalls.
made=()
note_new() { for p in "$@"; do [ -e "$p" ] || made+=("$p"); done; }
note_new "$PREFIX/share/icons" "$ICONS" "$ICONS/icon-theme.cache"
for d in "${ICON_DIRS[@]}"; do note_new "$(dirname "$d")" "$d"; done
# The install rules (cmake/Install.cmake) place everything. The build keeps the
# program's folder in its cache, so it is given each time.
cmake -S . -B build -DVARDOLIN_APP_DIR="$APP_DIR" >/dev/null
cmake --install build --prefix "$PREFIX" >/dev/null
command -v update-desktop-database >/dev/null && update-desktop-database -q "$PREFIX/share/applications" || true
command -v gtk-update-icon-cache >/dev/null && gtk-update-icon-cache -q -t -f "$ICONS" || true
if [ "${#made[@]}" -gt 0 ]; then printf '%s\n' "${made[@]}" >> "$APP_DIR/.install-made"; fi

echo "Vardolin installed in $APP_DIR"
case ":$PATH:" in *":$PREFIX/bin:"*) ;; *) echo "Add $PREFIX/bin to your PATH to start it as 'vardolin'.";; esac
