#!/usr/bin/env bash
# Validates the desktop entry and the AppStream file, then installs into a
# temporary prefix twice (the second run must keep the user's settings) and
# uninstalls (settings stay unless purged).
set -euo pipefail
cd "$(dirname "$0")/.."
desktop-file-validate desktop/org.vardolin.Vardolin.desktop
appstreamcli validate --no-net --pedantic desktop/org.vardolin.Vardolin.metainfo.xml >/dev/null
T="$(mktemp -d)"
trap 'rm -rf "$T"' EXIT
PREFIX="$T" SKIP_BUILD=1 bash scripts/install.sh >/dev/null
test -x "$T/bin/vardolin"
test -x "$T/share/vardolin/vardolin"
cmp data/exitem.cfg "$T/share/vardolin/exitem.cfg"
printf 'mine\r\n' > "$T/share/vardolin/exitem.cfg"
PREFIX="$T" SKIP_BUILD=1 bash scripts/install.sh >/dev/null
test "$(cat "$T/share/vardolin/exitem.cfg")" = "$(printf 'mine\r\n')"
desktop-file-validate "$T/share/applications/org.vardolin.Vardolin.desktop"
PREFIX="$T" bash scripts/uninstall.sh >/dev/null
test ! -e "$T/bin/vardolin"
test -e "$T/share/vardolin/exitem.cfg"
PREFIX="$T" bash scripts/uninstall.sh --purge >/dev/null
test ! -e "$T/share/vardolin"
# Nothing of the icons is left where installing made the folders and the cache.
test ! -e "$T/share/icons"
# Beside another program's icon the cache stays, without ours in it.
U="$T/other"
install -D -m 0644 desktop/icons/vardolin-48.png "$U/share/icons/hicolor/48x48/apps/other.png"
gtk-update-icon-cache -q -t "$U/share/icons/hicolor"
PREFIX="$U" SKIP_BUILD=1 bash scripts/install.sh >/dev/null
grep -q org.vardolin.Vardolin "$U/share/icons/hicolor/icon-theme.cache"
PREFIX="$U" bash scripts/uninstall.sh --purge >/dev/null
test -e "$U/share/icons/hicolor/48x48/apps/other.png"
if grep -q org.vardolin.Vardolin "$U/share/icons/hicolor/icon-theme.cache"; then
  echo "the icon cache still lists the removed icons" >&2; exit 1
fi
test ! -e "$U/share/icons/hicolor/scalable"
echo "desktop files valid; install and uninstall keep the user's settings and leave no icon or icon cache behind"
