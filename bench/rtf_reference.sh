#!/usr/bin/env bash
# Compares the text this program shows of RTF documents with LibreOffice's.
# Each document (RTF as it is; any other format LibreOffice reads is first
# written as RTF by it) is converted to UTF-8 text by LibreOffice and read by
# bench_rtftext. The texts are compared with every run of white space made one
# space, since LibreOffice writes list labels, table cells and indents its own
# way; a document that differs is named with the first place where it does.
# Prints how many documents match, exactly and apart from white space.
#
#   bench/rtf_reference.sh [FILE or FOLDER]...
#     default: the HTML documents under /usr/share/doc (at most 200)
#
# Needs soffice (Debian: libreoffice-writer-nogui, for this check only) and
# build/bench/bench_rtftext (BUILD_TARGETS=bench_rtftext bash scripts/build.sh).
set -uo pipefail
cd "$(dirname "$0")/.."
tool=build/bench/bench_rtftext
command -v soffice >/dev/null || { echo "soffice not found (apt-get install libreoffice-writer-nogui)" >&2; exit 1; }
[ -x "$tool" ] || { echo "$tool not built" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
inputs=()
if [ $# -eq 0 ]; then
    mapfile -t inputs < <(find /usr/share/doc -name '*.html' -size -400k 2>/dev/null | sort | head -n 200)
else
    for a in "$@"; do
        if [ -d "$a" ]; then mapfile -t -O "${#inputs[@]}" inputs < <(find "$a" -type f | sort)
        else inputs+=("$a"); fi
    done
fi

total=0 exact=0 spaced=0 unread=0
for src in "${inputs[@]}"; do
    total=$((total + 1))
    dir="$work/$total"
    mkdir -p "$dir"
    case "${src,,}" in
        *.rtf) cp "$src" "$dir/doc.rtf" ;;
        *) cp "$src" "$dir/doc.${src##*.}"
           # HTML goes into the word processor, not the web editor, which writes no RTF.
           filter=()
           case "${src,,}" in *.html|*.htm|*.xhtml) filter=(--infilter="HTML (StarWriter)") ;; esac
           soffice -env:UserInstallation=file://"$work"/profile --headless "${filter[@]}" --convert-to rtf \
               --outdir "$dir" "$dir/doc.${src##*.}" >/dev/null 2>&1 ;;
    esac
    if [ ! -s "$dir/doc.rtf" ]; then
        echo "not converted: $src"
        unread=$((unread + 1))
        continue
    fi
    mkdir -p "$dir/ref"
    soffice -env:UserInstallation=file://"$work"/profile --headless --convert-to 'txt:Text (encoded):UTF8' \
        --outdir "$dir/ref" "$dir/doc.rtf" >/dev/null 2>&1
    "$tool" "$dir/doc.rtf" >"$dir/ours.txt"
    status=$?
    if [ $status -ne 0 ] || [ ! -f "$dir/ref/doc.txt" ]; then
        echo "not read (status $status): $src"
        unread=$((unread + 1))
        continue
    fi
    verdict=$(python3 - "$dir/ref/doc.txt" "$dir/ours.txt" <<'PY'
import sys
ref = open(sys.argv[1], encoding='utf-8-sig').read().replace('\r\n', '\n')
ours = open(sys.argv[2], encoding='utf-8').read()
if ref.rstrip('\n') == ours.rstrip('\n'):
    print('exact')
else:
    a, b = ' '.join(ref.split()), ' '.join(ours.split())
    if a == b:
        print('spaced')
    else:
        at = next((i for i, (x, y) in enumerate(zip(a, b)) if x != y), min(len(a), len(b)))
        print('differs at %d: reference %r, ours %r' % (at, a[max(0, at - 20):at + 30], b[max(0, at - 20):at + 30]))
PY
)
    case "$verdict" in
        exact) exact=$((exact + 1)) ;;
        spaced) spaced=$((spaced + 1)) ;;
        *) echo "$src: $verdict" ;;
    esac
done
echo "documents: $total; same text: $exact; same apart from white space: $spaced; not converted or read: $unread;" \
     "different: $((total - exact - spaced - unread))"
