# Sourced by install.sh and uninstall.sh. Brings the desktop's caches under
# PREFIX up to date where the desktop keeps them already; none is made where
# there was none (the desktop reads the folders then).
refresh_desktop_caches() {   # prefix
  local icons="$1/share/icons/hicolor" apps="$1/share/applications"
  if [ -e "$icons/icon-theme.cache" ] && command -v gtk-update-icon-cache >/dev/null; then
    gtk-update-icon-cache -q -t -f "$icons" || true
  fi
  if [ -e "$apps/mimeinfo.cache" ] && command -v update-desktop-database >/dev/null; then
    update-desktop-database -q "$apps" || true
  fi
}
