#!/usr/bin/env bash
# FlashPix against our JPEG at quality 80 on the colour A4 page (2480 x 3508, 24 bits, 300 dpi):
# save and load times (bench_codecs, medians), file sizes with the share the resolution hierarchy
# may add (a third), and the peak memory (maximum resident set) of a load and of a load + save,
# less the memory of the same program loading a 1 x 1 image, against the decoded size of the page.
#   bench/flashpix.sh     TAVLO_BENCH_RUNS (default 5) repetitions; TAVLO_BENCH_DIR (default
#                         build/bench-work) holds the pages.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/lib.sh"
runs=${TAVLO_BENCH_RUNS:-5}
build_tavlo tavlo-image bench_codecs tavlo-bench-page >/dev/null
bin=$TAVLO_BUILD_DIR/bin
work=${TAVLO_BENCH_DIR:-$TAVLO_BUILD_DIR/bench-work}
mkdir -p "$work"
cd "$work"
[ -f page.bmp ] || "$bin/tavlo-bench-page" page.bmp 300
"$bin/tavlo-image" convert page.bmp tiny.bmp --format BMP --trim 0,0,1,1 >/dev/null
decoded_bytes=$((2480 * 3 * 3508))

echo "== Times (ms, medians of $runs; save includes the sync and rename of every save)"
"$bin/bench_codecs" --benchmark_filter='^(save|load)/(JPG|FPX)/colour' --benchmark_repetitions="$runs" \
    --benchmark_report_aggregates_only=true --benchmark_format=json >fpx.json 2>/dev/null
python3 - <<'PY'
import json
runs = {b["run_name"].split("/")[0] + " " + b["run_name"].split("/")[1]: b["real_time"]
        for b in json.load(open("fpx.json"))["benchmarks"] if b.get("aggregate_name") == "median"}
for what in ("save", "load"):
    j, f = runs[f"{what} JPG"], runs[f"{what} FPX"]
    print(f"  {what}: JPEG q80 {j:7.1f}   FlashPix {f:7.1f}   FlashPix / JPEG {f / j:5.2f} (goal 1.5)")
PY

"$bin/tavlo-image" convert page.bmp page.jpg --format JPG --quality 80
"$bin/tavlo-image" convert page.bmp page.fpx --format FPX --quality 80
jpg=$(stat -c %s page.jpg)
fpx=$(stat -c %s page.fpx)
echo "== Sizes (bytes)"
awk -v j="$jpg" -v f="$fpx" 'BEGIN { printf "  JPEG q80 %d   FlashPix %d   FlashPix / JPEG %.2f (goal %.2f = 1.2 x plus a third)\n",
    j, f, f / j, 1.2 * 4 / 3 }'

echo "== Peak memory (maximum resident set above a 1 x 1 load; the page decodes to $decoded_bytes bytes)"
rss() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -1; }
base=$(rss "$bin/tavlo-image" info tiny.bmp)
report() { awk -v what="$1" -v kb="$2" -v base="$base" -v decoded="$decoded_bytes" 'BEGIN {
    printf "  %-24s %6.1f MB = %4.2f x decoded (goal 1.5)\n", what, (kb - base) * 1024 / 1e6, (kb - base) * 1024 / decoded }'; }
report "load FlashPix" "$(rss "$bin/tavlo-image" info page.fpx)"
report "load JPEG" "$(rss "$bin/tavlo-image" info page.jpg)"
report "load BMP + save FlashPix" "$(rss "$bin/tavlo-image" convert page.bmp mem.fpx --format FPX)"
report "load BMP + save JPEG" "$(rss "$bin/tavlo-image" convert page.bmp mem.jpg --format JPG)"
report "load BMP" "$(rss "$bin/tavlo-image" info page.bmp)"
