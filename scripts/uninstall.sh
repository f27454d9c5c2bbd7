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
rm -f "$PREFIX/share/icons/hicolor/scalable/apps/$ID.svg"
for s in 16 24 32 48 64 128 256; do rm -f "$PREFIX/share/icons/hicolor/${s}x${s}/apps/$ID.png"; done
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
