#!/usr/bin/env bash
# End-to-end: the built program in a real X server (Xvfb), driven by real key
# and mouse events through xdotool, on a prepared settings folder.
#   usage: e2e_desktop.sh BUILD_BIN_DIR SOURCE_DIR
set -euo pipefail
BIN="$1"
SRC="$2"
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool missing"; exit 77; }
done

WORK="$(mktemp -d)"
APP="$WORK/app"
DOCS="$WORK/docs"
OUT="$WORK/launched.txt"
mkdir -p "$APP" "$DOCS" "$WORK/tools dir"
cleanup() {
  [ -n "${APP_PID:-}" ] && kill "$APP_PID" 2>/dev/null || true
  [ -n "${X_PID:-}" ] && kill "$X_PID" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

cp "$BIN/vardolin" "$APP/"
cp "$SRC/data/"*.cfg "$SRC/data/"*.bmp "$SRC/data/"*.txt "$APP/"

# The registered program: a script in a folder with a blank, which records
# the arguments it was given.
cat > "$WORK/tools dir/record.sh" <<'REC'
#!/bin/sh
out="$(dirname "$0")/../launched.txt"
for a in "$@"; do printf '%s\n' "$a"; done > "$out.part"
mv "$out.part" "$out"
REC
chmod +x "$WORK/tools dir/record.sh"

crlf() { for l in "$@"; do printf '%s\r\n' "$l"; done; }
to932() { iconv -f UTF-8 -t CP932; }
crlf "Vardolin Ver 1.05" 0 0 800 600 1 "ＭＳ Ｐゴシック" 10 0 16777215 0 1 200 | to932 > "$APP/appcfgs.cfg"
crlf "記録" "$WORK/tools dir/record.sh" "--opt" "（未登録）" "" "" "（未登録）" "" "" "（未登録）" "" "" "（未登録）" "" "" \
  | to932 > "$APP/appitems.cfg"
cp "$APP/appcfgs.cfg" "$WORK/appcfgs.expected"
cp "$APP/exitem.cfg" "$WORK/exitem.expected"

printf 'first\r\nsecond line\r\n' > "$DOCS/a first.txt"
printf 'other\r\n' > "$DOCS/b.txt"
printf 'skip' > "$DOCS/c.bin"

# A display of our own.
for n in $(seq 90 130); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then DISP=":$n"; break; fi
done
Xvfb "$DISP" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
X_PID=$!
export DISPLAY="$DISP"
for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done

cd "$WORK"
QT_QPA_PLATFORM=xcb "$APP/vardolin" >"$WORK/app.log" 2>&1 &
APP_PID=$!
WID="$(timeout 20 xdotool search --sync --onlyvisible --name '^Vardolin$' | head -1)" || fail "window did not appear"
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$WID")"
# The menu bar's height depends on the font; about 22 pixels. The positions
# clicked below are the middle of controls at least 20 pixels high, so a few
# pixels either way still hit them.
MENU=22

click() { xdotool mousemove --sync "$1" "$2" click 1; sleep 0.3; }
# Waits up to 15 s for a condition (the program may run under a sanitizer).
wait_for() { for _ in $(seq 150); do if eval "$1"; then return 0; fi; sleep 0.1; done; return 1; }

# The folder field has the focus at start: type the folder and press Enter.
xdotool windowfocus --sync "$WID" 2>/dev/null || true
xdotool key --clearmodifiers ctrl+a
xdotool type --delay 5 "$DOCS/"
xdotool key Return
sleep 1.5

# Click the first file of the list.
click $((X + 40)) $((Y + MENU + 48 + 10))
sleep 0.5
wait_for '[ "$(xdotool getwindowname "$WID")" = "Vardolin - a first.txt" ]' \
  || fail "caption is '$(xdotool getwindowname "$WID")'"

# Launch the registered program on it with the first tool button.
click $((X + 158 + 10)) $((Y + MENU + 24 + 10))
wait_for '[ -f "$OUT" ]' || fail "the registered program did not start"
printf '%s\n' "$DOCS/a first.txt" "--opt" > "$WORK/expected-args"
cmp -s "$OUT" "$WORK/expected-args" || { cat "$OUT"; fail "arguments differ"; }

# The extension settings dialog: open from the menu, save, close.
xdotool key --clearmodifiers alt+o
sleep 1
xdotool key e
DLG="$(timeout 10 xdotool search --sync --onlyvisible --name '^拡張子の設定$' | head -1)" || fail "extension dialog did not open"
sleep 0.4
eval "$(xdotool getwindowgeometry --shell "$DLG")"
rm -f "$APP/exitem.cfg"
click $((X + 256 + 30)) $((Y + 104 + 12))
wait_for '[ -f "$APP/exitem.cfg" ]' || fail "saving did not write exitem.cfg"
click $((X + 342 + 30)) $((Y + 104 + 12))
wait_for '! xdotool search --onlyvisible --name "^拡張子の設定\$" >/dev/null 2>&1' || fail "dialog still open"

# Close through the menu: 操作 > 終了.
xdotool windowfocus --sync "$WID" 2>/dev/null || true
xdotool key --clearmodifiers alt+c
sleep 1
xdotool key x
wait_for '! kill -0 "$APP_PID" 2>/dev/null' || fail "program did not end"
APP_PID=""

cmp "$APP/appcfgs.cfg" "$WORK/appcfgs.expected" || { od -c "$APP/appcfgs.cfg" | head; fail "appcfgs.cfg differs"; }
cmp "$APP/exitem.cfg" "$WORK/exitem.expected" || fail "exitem.cfg differs"
echo "end-to-end run passed"
