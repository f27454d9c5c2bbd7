#!/usr/bin/env bash
# Validates the desktop entry and the AppStream file, then installs into
# temporary prefixes: a second install keeps the user's settings, uninstalling
# leaves a fresh prefix as it was, --purge removes the settings files but no
# other file of the user's, and caches that were there before stay, without us.
set -euo pipefail
cd "$(dirname "$0")/.."
desktop-file-validate desktop/org.vardolin.Vardolin.desktop
appstreamcli validate --no-net --pedantic desktop/org.vardolin.Vardolin.metainfo.xml >/dev/null
version="$(sed -n 's/^project(Vardolin VERSION \([^ ]*\) .*/\1/p' CMakeLists.txt)"
if [ "$(grep -m1 -o '<release version="[^"]*"' desktop/org.vardolin.Vardolin.metainfo.xml)" != "<release version=\"$version\"" ]; then
  echo "the newest release in the AppStream file is not $version" >&2; exit 1
fi
B="$(mktemp -d)"
trap 'rm -rf "$B"' EXIT
# A blank in the prefix, as in many a home folder's name.
T="$B/fresh prefix"
A="$T/share/vardolin"
mkdir "$T"
contents() { (cd "$1" && find . -mindepth 1 | LC_ALL=C sort); }
install_to() { PREFIX="$1" SKIP_BUILD=1 bash scripts/install.sh >/dev/null; }
uninstall_from() { PREFIX="$1" bash scripts/uninstall.sh "${@:2}" >/dev/null; }

install_to "$T"
test -x "$A/vardolin"
grep -qF "exec \"$A/vardolin\"" "$T/bin/vardolin"
desktop-file-validate "$T/share/applications/org.vardolin.Vardolin.desktop"
grep -qxF "Exec=\"$T/bin/vardolin\"" "$T/share/applications/org.vardolin.Vardolin.desktop"
# Both are listed among what was installed, as every file the install wrote but the settings.
grep -qxF "$T/bin/vardolin" "$A/.install-manifest"
grep -qxF "$T/share/applications/org.vardolin.Vardolin.desktop" "$A/.install-manifest"
cmp data/exitem.cfg "$A/exitem.cfg"
if grep -q '\.cfg$\|\.bmp$' "$A/.install-manifest"; then echo "settings files listed as installed" >&2; exit 1; fi
uninstall_from "$T" --purge
test -z "$(contents "$T")"

install_to "$T"
printf 'mine\r\n' > "$A/exitem.cfg"
install_to "$T"
test "$(cat "$A/exitem.cfg")" = "$(printf 'mine\r\n')"
uninstall_from "$T"
test ! -e "$T/bin"
test ! -e "$T/share/applications"
test -e "$A/exitem.cfg"
# The user's own files stay, look-alikes of settings files among them, and so
# does the temporary file of a save that still runs (it holds it locked).
echo 'my notes' > "$A/notes.txt"
touch "$A/appcfgs.cfg.MYCOPY" "$A/.appcfgs.cfg.vardolin-tmp-AbC123" "$A/.exitem.cfg.vardolin-tmp-InUse1"
flock "$A/.exitem.cfg.vardolin-tmp-InUse1" env PREFIX="$T" bash scripts/uninstall.sh --purge >/dev/null
test "$(contents "$A")" = "$(printf '%s\n' ./.exitem.cfg.vardolin-tmp-InUse1 ./.install-made ./appcfgs.cfg.MYCOPY ./notes.txt)"

# Beside another program's icon and desktop entry the caches stay, without us.
U="$B/other"
install -D -m 0644 desktop/icons/vardolin-48.png "$U/share/icons/hicolor/48x48/apps/other.png"
gtk-update-icon-cache -q -t "$U/share/icons/hicolor"
install -D -m 0644 desktop/org.vardolin.Vardolin.desktop "$U/share/applications/other.desktop"
update-desktop-database -q "$U/share/applications"
install_to "$U"
grep -q org.vardolin.Vardolin "$U/share/icons/hicolor/icon-theme.cache"
uninstall_from "$U" --purge
test -e "$U/share/icons/hicolor/48x48/apps/other.png"
if grep -q org.vardolin.Vardolin "$U/share/icons/hicolor/icon-theme.cache"; then
  echo "the icon cache still lists the removed icons" >&2; exit 1
fi
test -e "$U/share/applications/mimeinfo.cache"
test ! -e "$U/share/icons/hicolor/scalable"
echo "desktop files valid; install and uninstall keep the user's files and leave a prefix as it was"
