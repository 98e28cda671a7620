#!/usr/bin/env bash
# Figures of the skew finder in one run: its wall time on the colour A4 page at 300 dpi and its
# 600 dpi twin (skew_bench time), then its angle error over generated pages of text turned by
# known angles, beside unpaper's and ImageMagick's ("-deskew 40%") estimates of the same pages.
#   bench/skew_figures.sh   TAVLO_SKEW_PAGES (default 24) pages; TAVLO_BENCH_DIR (default
#                           build/bench-work/skew) holds them.
# Every angle is in degrees, positive when the lines fall to the right (the turn to the left that
# levels them). unpaper reports its turn in radians with that sign ("rotate (x,y): R"); it searches
# -12..+12 here (its default range of 5 would miss half the pages) in its default 0.1 steps.
# ImageMagick's deskew:angle has the opposite sign.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/lib.sh"
count=${TAVLO_SKEW_PAGES:-24}

missing=()
for tool in imagemagick unpaper python3; do
    dpkg-query -W -f='${Status}' "$tool" 2>/dev/null | grep -q 'install ok installed' || missing+=("$tool")
done
if [ ${#missing[@]} -gt 0 ]; then
    apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
fi
build_tavlo skew_bench >/dev/null
bin=$TAVLO_BUILD_DIR/bin
work=${TAVLO_BENCH_DIR:-$TAVLO_BUILD_DIR/bench-work}/skew
mkdir -p "$work"
magick=$(command -v convert-im6.q16 || command -v convert)

echo "== wall time of one detection (Tavlo)"
QT_QPA_PLATFORM=offscreen "$bin/skew_bench" time

echo "== angle error over $count text pages (A4, 300 dpi, colour)"
QT_QPA_PLATFORM=offscreen "$bin/skew_bench" pages "$work" "$count" > "$work/tavlo.txt"
: > "$work/all.txt"
while read -r name truth ours; do
    "$magick" "$work/$name" -depth 8 -type truecolor "$work/page.ppm"
    radians=$(unpaper -v -dr 12 --overwrite --no-mask-center --no-border-align \
              "$work/page.ppm" "$work/out.ppm" 2>&1 | sed -n 's/^rotate ([^)]*): //p' | head -1)
    magick_angle=$("$magick" "$work/$name" -deskew 40% -format '%[deskew:angle]' info:)
    echo "$name $truth $ours ${radians:-none} $magick_angle" >> "$work/all.txt"
done < "$work/tavlo.txt"
python3 - "$work/all.txt" <<'PY'
import math, sys
rows = [line.split() for line in open(sys.argv[1])]
def estimate(text, convert):
    return None if text == "none" else convert(float(text))
tools = [("Tavlo (Leptonica)", 2, lambda v: v),
         ("unpaper -dr 12", 3, math.degrees),
         ("ImageMagick -deskew 40%", 4, lambda v: -v)]
print("page          true    " + "  ".join(f"{name:>24}" for name, _, _ in tools))
for r in rows:
    cells = []
    for _, column, convert in tools:
        v = estimate(r[column], convert)
        cells.append(f"{'none':>24}" if v is None else f"{v:>15.3f} ({v - float(r[1]):+.3f})")
    print(f"{r[0]}  {float(r[1]):+7.3f}  " + "  ".join(cells))
for name, column, convert in tools:
    errors = [abs(estimate(r[column], convert) - float(r[1])) for r in rows if r[column] != "none"]
    missed = len(rows) - len(errors)
    if errors:
        print(f"{name}: mean error {sum(errors) / len(errors):.4f}, largest {max(errors):.4f}, "
              f"over 0.1: {sum(e > 0.1 for e in errors)}, not found: {missed} of {len(rows)}")
    else:
        print(f"{name}: nothing found on {len(rows)} pages")
PY
