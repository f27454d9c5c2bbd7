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
ID=org.vardolin.Vardolin

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
mkdir -p "$APP_DIR" "$PREFIX/bin" "$PREFIX/share/applications" "$PREFIX/share/metainfo"
install -m 0755 build/bin/vardolin "$APP_DIR/vardolin.new"
mv -f "$APP_DIR/vardolin.new" "$APP_DIR/vardolin"
# Default settings and help: only what the user does not have yet.
(cd data && find . -type f) | while read -r f; do
  if [ ! -e "$APP_DIR/$f" ]; then
    mkdir -p "$(dirname "$APP_DIR/$f")"
    install -m 0644 "data/$f" "$APP_DIR/$f"
  fi
done

cat > "$PREFIX/bin/vardolin" <<LAUNCHER
#!/bin/sh
exec "$APP_DIR/vardolin" "\$@"
LAUNCHER
chmod 0755 "$PREFIX/bin/vardolin"

sed "s|^Exec=vardolin\$|Exec=$PREFIX/bin/vardolin|" "desktop/$ID.desktop" > "$PREFIX/share/applications/$ID.desktop"
install -m 0644 "desktop/$ID.metainfo.xml" "$PREFIX/share/metainfo/$ID.metainfo.xml"
install -D -m 0644 desktop/icons/vardolin.svg "$PREFIX/share/icons/hicolor/scalable/apps/$ID.svg"
for s in 16 24 32 48 64 128 256; do
  install -D -m 0644 "desktop/icons/vardolin-$s.png" "$PREFIX/share/icons/hicolor/${s}x${s}/apps/$ID.png"
done
command -v update-desktop-database >/dev/null && update-desktop-database -q "$PREFIX/share/applications" || true
command -v gtk-update-icon-cache >/dev/null && gtk-update-icon-cache -q -t -f "$ICONS" || true
if [ "${#made[@]}" -gt 0 ]; then printf '%s\n' "${made[@]}" >> "$APP_DIR/.install-made"; fi

echo "Vardolin installed in $APP_DIR"
case ":$PATH:" in *":$PREFIX/bin:"*) ;; *) echo "Add $PREFIX/bin to your PATH to start it as 'vardolin'.";; esac
