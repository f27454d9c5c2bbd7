#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Vardolin needs.
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
PKGS=(
  build-essential cmake ninja-build ccache pkg-config clang libclang-rt-14-dev
  qt6-base-dev qt6-base-dev-tools qt6-base-private-dev libqt6svg6 libgl-dev libxxhash-dev
  fonts-ipafont-gothic fonts-ipafont-mincho fontconfig
  adwaita-icon-theme hicolor-icon-theme
  qt6-translations-l10n
  xvfb xauth xdotool xclip x11-utils openbox imagemagick
  dbus dbus-bin at-spi2-core python3-pyatspi python3-gi
  desktop-file-utils appstream gtk-update-icon-cache
)
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
