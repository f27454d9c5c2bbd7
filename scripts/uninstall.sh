#!/usr/bin/env bash
# Removes what install.sh put in place. The settings files stay unless --purge
# is given (they are the user's).
set -euo pipefail
PREFIX="${PREFIX:-$HOME/.local}"
APP_DIR="${APP_DIR:-$PREFIX/share/vardolin}"
ID=org.vardolin.Vardolin
purge=0
[ "${1:-}" = "--purge" ] && purge=1

rm -f "$PREFIX/bin/vardolin" "$PREFIX/share/applications/$ID.desktop" "$PREFIX/share/metainfo/$ID.metainfo.xml"
ICONS="$PREFIX/share/icons/hicolor"
rm -f "$ICONS/scalable/apps/$ID.svg"
for s in 16 24 32 48 64 128 256; do rm -f "$ICONS/${s}x${s}/apps/$ID.png"; done
# The icon cache still lists the removed icons: a cache this install made goes
# when no other icon is left under it; any other is brought up to date.
MADE="$APP_DIR/.install-made"
made_here() { [ -f "$MADE" ] && grep -qxF "$1" "$MADE"; }
if [ -e "$ICONS/icon-theme.cache" ]; then
  if made_here "$ICONS/icon-theme.cache" && [ -z "$(find "$ICONS" -type f ! -name icon-theme.cache -print -quit)" ]; then
    rm -f "$ICONS/icon-theme.cache"
  elif command -v gtk-update-icon-cache >/dev/null; then
    gtk-update-icon-cache -q -t -f "$ICONS" || true
  fi
fi
# The folders installing made, deepest first, as far as they are empty now.
if [ -f "$MADE" ]; then
  sort -r -u "$MADE" | while read -r d; do [ -d "$d" ] && rmdir "$d" 2>/dev/null || true; done
  rm -f "$MADE"
fi
rm -f "$APP_DIR/vardolin"
if [ "$purge" = 1 ]; then
  rm -rf "$APP_DIR"
  echo "Vardolin and its settings removed."
else
  # Help documents are ours; the settings files are the user's.
  rm -rf "$APP_DIR/manual" "$APP_DIR/readme.txt" "$APP_DIR/history.txt"
  rmdir "$APP_DIR" 2>/dev/null || true
  echo "Vardolin removed; settings kept in $APP_DIR (use --purge to remove them)."
fi
command -v update-desktop-database >/dev/null && update-desktop-database -q "$PREFIX/share/applications" || true
