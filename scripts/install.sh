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

# The install rules (cmake/Install.cmake) place everything. The build keeps the
# program's folder in its cache, so it is given each time.
cmake -S . -B build -DVARDOLIN_APP_DIR="$APP_DIR" >/dev/null
cmake --install build --prefix "$PREFIX" >/dev/null
command -v update-desktop-database >/dev/null && update-desktop-database -q "$PREFIX/share/applications" || true
command -v gtk-update-icon-cache >/dev/null && gtk-update-icon-cache -q -t "$PREFIX/share/icons/hicolor" || true

echo "Vardolin installed in $APP_DIR"
case ":$PATH:" in *":$PREFIX/bin:"*) ;; *) echo "Add $PREFIX/bin to your PATH to start it as 'vardolin'.";; esac
