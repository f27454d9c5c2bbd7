#!/usr/bin/env bash
# Removes what install.sh put in place: the files it listed when it installed
# them, and the folders it made as far as they are empty then. The settings
# files stay unless --purge is given (they are the user's); a file of the
# user's own in the program's folder stays in any case.
set -euo pipefail
# shellcheck source=desktop-caches.sh
source "$(dirname "$0")/desktop-caches.sh"
PREFIX="$(realpath -ms "${PREFIX:-$HOME/.local}")"
APP_DIR="$(realpath -ms "${APP_DIR:-$PREFIX/share/vardolin}")"
purge=0
[ "${1:-}" = "--purge" ] && purge=1
MANIFEST="$APP_DIR/.install-manifest"
MADE="$APP_DIR/.install-made"

if [ ! -f "$MANIFEST" ] && [ "$purge" = 0 ]; then
  echo "Vardolin is not installed in $APP_DIR (no list of installed files there)." >&2
  exit 1
fi
if [ -f "$MANIFEST" ]; then
  while IFS= read -r f; do
    if [ -L "$f" ] || [ ! -d "$f" ]; then rm -f -- "$f"; fi
  done < "$MANIFEST"
  rm -f -- "$MANIFEST"
fi
if [ "$purge" = 1 ]; then
  # The settings files by name, and the temporary files of saves that did not
  # finish (named as the program names them); nothing else of the folder. A
  # save that still runs holds its temporary file locked: that one stays.
  for f in appcfgs.cfg appitems.cfg exitem.cfg IconImg1.bmp IconImg2.bmp IconImg3.bmp IconImg4.bmp IconImg5.bmp; do
    rm -f -- "$APP_DIR/$f"
    for t in "$APP_DIR/.$f.vardolin-tmp-"??????; do
      if [ -f "$t" ] && [ ! -L "$t" ]; then flock -n "$t" rm -f -- "$t" || true; fi
    done
  done
fi

# The folders installing made, deepest first, as far as they are empty now.
# Those still holding something (the settings) are noted again for later.
if [ -f "$MADE" ]; then
  made="$(sort -r -u "$MADE")"
  rm -f -- "$MADE"
  left="$(printf '%s\n' "$made" | while IFS= read -r d; do
            [ -n "$d" ] || continue
            rmdir -- "$d" 2>/dev/null || { [ -d "$d" ] && printf '%s\n' "$d"; } || true; done)"
  if [ -n "$left" ] && [ -d "$APP_DIR" ]; then printf '%s\n' "$left" | sort -u > "$MADE"; fi
fi

# Caches the desktop keeps still list what was removed: brought up to date
# where there is one.
refresh_desktop_caches "$PREFIX"

if [ "$purge" = 1 ]; then
  echo "Vardolin and its settings removed."
else
  echo "Vardolin removed; settings kept in $APP_DIR (use --purge to remove them)."
fi
