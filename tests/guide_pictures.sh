#!/usr/bin/env bash
# The user guide against its pictures: every picture the guide names was taken,
# is a whole PNG, and sits in Guida.pdf at its full resolution with its caption.
#   guide_pictures.sh GUIDE.html PICTURES Guida.pdf
set -uo pipefail
html="$1" shots="$2" pdf="$3"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

mapfile -t names < <(grep -o 'src="shots/[^"]*"' "$html" | sed 's/^src="shots\///; s/"$//' | sort -u)
[ "${#names[@]}" -gt 0 ] || fail "the guide names no picture"

listing="$(pdfimages -list "$pdf" 2>/dev/null | tail -n +3)"
text="$(pdftotext -layout "$pdf" - 2>/dev/null)"
for name in "${names[@]}"; do
    file="$shots/$name"
    if ! head -c 8 "$file" 2>/dev/null | cmp -s - <(printf '\x89PNG\r\n\x1a\n'); then
        fail "$name: not taken, or not a PNG"
        continue
    fi
    read -r width height < <(python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24); print(*struct.unpack(">II", d[16:24]))' "$file")
    # pdfimages: page num type width height ...
    awk -v w="$width" -v h="$height" '$3 == "image" && $4 == w && $5 == h { found = 1 } END { exit !found }' <<<"$listing" ||
        fail "$name: no ${width}x${height} picture in the PDF"
done

# Each picture has its numbered caption, in order.
mapfile -t captions < <(grep -o 'Figura [0-9]* &ndash;' "$html" | grep -o '[0-9]*')
expected=1
for number in "${captions[@]}"; do
    [ "$number" = "$expected" ] || fail "caption $number where $expected was due"
    grep -q "Figura $number –" <<<"$text" || fail "caption $number missing from the PDF"
    expected=$((expected + 1))
done
[ "${#captions[@]}" -eq "$(grep -c '<img ' "$html")" ] || fail "a picture without its caption"

# Pictures never run past the text: none is wider on paper than the sheet less its margins.
awk '$3 == "image" { print $1, $4, $13 }' <<<"$listing" | while read -r page width ppi; do
    python3 -c 'import sys; w, p = int(sys.argv[1]), float(sys.argv[2]); sys.exit(0 if w / p * 25.4 <= 170.5 else 1)' "$width" "$ppi" ||
        { echo "FAIL: a picture on page $page is wider than the text"; exit 1; }
done || failures=$((failures + 1))

if [ "$failures" -gt 0 ]; then
    echo "$failures failure(s)"
    exit 1
fi
echo "guide pictures: ${#names[@]} pictures, all in Guida.pdf"
