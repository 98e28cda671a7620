#!/usr/bin/env bash
# Whole-process figures of the pixel operations, side by side in one run: tavlo-image convert
# (BMP page in, BMP out) against ImageMagick's convert and vips on the same 300 dpi A4 colour
# page (bench/codecs/scan_page.h), and vips on its PPM twin; then the mean error of the 256- and
# 16-colour palettes against the original, tavlo-image against ImageMagick; then the Google
# Benchmark figures of each operation in process (process_bench).
#   bench/process_figures.sh   TAVLO_BENCH_RUNS (default 5) runs per command after one warm-up;
#                              TAVLO_BENCH_DIR (default build/bench-work) holds the pages.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/lib.sh"
runs=${TAVLO_BENCH_RUNS:-5}

missing=()
for tool in imagemagick libvips-tools hyperfine python3; do
    dpkg-query -W -f='${Status}' "$tool" 2>/dev/null | grep -q 'install ok installed' || missing+=("$tool")
done
if [ ${#missing[@]} -gt 0 ]; then
    apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
fi
build_tavlo tavlo-image tavlo-bench-page process_bench >/dev/null
bin=$TAVLO_BUILD_DIR/bin
work=${TAVLO_BENCH_DIR:-$TAVLO_BUILD_DIR/bench-work}
mkdir -p "$work"
cd "$work"
"$bin/tavlo-bench-page" page.bmp 300
vips copy page.bmp page.ppm
tavlo="$bin/tavlo-image"
# The real ImageMagick program, not a wrapper script that might stand in front of it.
magick=$(command -v convert-im6.q16 || command -v convert)
compare=$(command -v compare-im6.q16 || command -v compare)

# name | tavlo-image operations | ImageMagick operations | vips on the BMP | vips on the PPM twin
# (vips writes BMP through ImageMagick; its palettes and 1 bit come from magicksave's bitdepth.
# A turn left by 5.71 degrees is -5.71 for ImageMagick and 354.29 for vips, whose command line
# would read a negative number as an option.)
operations=(
  "turn 5.71 smooth, grow|--rotate 571 --smooth|-background white -rotate -5.71|rotate page.bmp out.bmp 354.29 --background 255|rotate page.ppm out.ppm 354.29 --background 255"
  "quarter turn|--rotate 9000|-rotate -90|rot page.bmp out.bmp d270|rot page.ppm out.ppm d270"
  "mirror left-right|--mirror-lr|-flop|flip page.bmp out.bmp horizontal|flip page.ppm out.ppm horizontal"
  "trim 2080x2908|--trim 200,300,2280,3208|-crop 2080x2908+200+300 +repage|crop page.bmp out.bmp 200 300 2080 2908|crop page.ppm out.ppm 200 300 2080 2908"
  "shrink to half|--resize 1240x1754|-resize 50%|resize page.bmp out.bmp 0.5|resize page.ppm out.ppm 0.5"
  "shrink (IM -scale)||-scale 50%||"
  "8-bit grey|--depth 80|-colorspace Gray -type Grayscale|colourspace page.bmp out.bmp b-w|colourspace page.ppm out.pgm b-w"
  "1 bit at 128|--depth 1 --threshold 128|-threshold 50% -type Bilevel|colourspace page.bmp out.bmp[bitdepth=1] b-w|"
  "256 colours dithered|--depth 8 --dither|-dither FloydSteinberg -colors 256|copy page.bmp out.bmp[bitdepth=8]|"
  "16 colours dithered|--depth 4 --dither|-dither FloydSteinberg -colors 16|copy page.bmp out.bmp[bitdepth=4]|"
)

# Mean wall-clock seconds of one command over the runs ("-" when there is no command).
measure() {
    local command=$1
    if [ -z "$command" ]; then echo "-"; return; fi
    hyperfine -N --warmup 1 --runs "$runs" --export-json time.json "$command" >/dev/null 2>&1 \
        || { echo "fail"; return; }
    python3 -c 'import json; print("%.3f" % json.load(open("time.json"))["results"][0]["mean"])'
}

echo "Page: 2480 x 3508, 24 bits, 300 dpi ($(stat -c %s page.bmp) bytes BMP); $runs runs each, $(nproc) cores"
printf '%-24s %9s %9s %9s %9s %8s %8s %9s\n' operation tavlo IM vips vips-ppm "IM/tavlo" "vips/tv" "tv/vppm"
for row in "${operations[@]}"; do
    IFS='|' read -r name ours theirs vbmp vppm <<<"$row"
    t=$(measure "${ours:+$tavlo convert page.bmp out.bmp --format BMP $ours}")
    m=$(measure "${theirs:+$magick page.bmp $theirs BMP3:out.bmp}")
    v=$(measure "${vbmp:+vips $vbmp}")
    p=$(measure "${vppm:+vips $vppm}")
    python3 - "$name" "$t" "$m" "$v" "$p" <<'PY'
import sys
name, t, m, v, p = sys.argv[1:]
def ratio(a, b):
    try:
        return "%.2f" % (float(a) / float(b))
    except ValueError:
        return "-"
print("%-24s %9s %9s %9s %9s %8s %8s %9s" % (name, t, m, v, p, ratio(m, t), ratio(v, t), ratio(t, p)))
PY
done
echo "(seconds; IM/tavlo and vips/tv: how many times faster tavlo-image is; tv/vppm: tavlo-image's"
echo " time over vips reading and writing its PPM twin, the goal is 1.5 or less)"

echo
echo "Palette error against the original (mean absolute error per channel, in levels of 255):"
printf '%-22s %10s %12s\n' palette tavlo-image ImageMagick
for colours in 256 16; do
    depth=$([ "$colours" = 256 ] && echo 8 || echo 4)
    "$tavlo" convert page.bmp ours.bmp --format BMP --depth "$depth" --dither
    "$magick" page.bmp -dither FloydSteinberg -colors "$colours" BMP3:theirs.bmp
    # compare exits with 1 when the images differ, which they do.
    ours=$( ("$compare" -metric MAE page.bmp ours.bmp null: 2>&1 || true) | sed -E 's/.*\(([0-9.e+-]+)\).*/\1/')
    theirs=$( ("$compare" -metric MAE page.bmp theirs.bmp null: 2>&1 || true) | sed -E 's/.*\(([0-9.e+-]+)\).*/\1/')
    python3 -c "import sys; print('%-22s %10.3f %12.3f' % ('$colours colours dithered', float(sys.argv[1]) * 255, float(sys.argv[2]) * 255))" "$ours" "$theirs"
    "$tavlo" info ours.bmp
done

echo
echo "In process (Google Benchmark, median of $runs):"
"$bin/process_bench" --benchmark_repetitions="$runs" --benchmark_report_aggregates_only=true 2>/dev/null |
    grep -E '_median|^Benchmark|^-'
