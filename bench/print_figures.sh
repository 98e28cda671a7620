#!/usr/bin/env bash
# Printing figures, in one run:
#  1. The colour A4 page at 300 dpi (bench/codecs: tavlo-bench-page) printed to PDF: wall time of
#     the whole process and file size for Tavlo (tavlo-print-page, as "印刷(&P)" prints it),
#     img2pdf and ImageMagick's `convert page.bmp page.pdf`, interleaved run by run.
#  2. A 10-page feeder run from SANE's test device (colour, A4, 300 dpi) through the main window
#     with "画像ｻｲｽﾞで印刷" to PDF files, beside the same run without printing: pages per minute
#     and the longest stall of the user-interface thread.
#
#   bench/print_figures.sh [runs]        (default 5; medians are printed)
#
# Debian's ImageMagick policy forbids writing PDF; convert runs in a private mount namespace
# (unshare, root only) where the policy file is a copy without that line, so the system's own
# file stays as it is. Without root the convert column is left out.
#
# Environment: TAVLO_BUILD_DIR (default build/), BENCH_DIR (default a temporary folder in the
# build folder; removed afterwards).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TAVLO_BUILD_DIR:-$root/build}
runs=${1:-5}

command -v img2pdf >/dev/null || { echo "img2pdf is missing (apt-get install img2pdf)"; exit 1; }
cmake --build "$build" --target tavlo-print-page tavlo-bench-page tavlo_scan_window_bench >/dev/null

export QT_QPA_PLATFORM=offscreen
export SANE_CONFIG_DIR="$root/sane"
work=${BENCH_DIR:-$(mktemp -d "$build/print-bench.XXXXXX")}
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT

now() { date +%s.%N; }
median() { printf '%s\n' "$@" | sort -g | awk '{v[NR]=$1} END {print (NR % 2) ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2}'; }
field() { sed -nE "s/.*$1=([0-9.]+).*/\\1/p" <<<"$2"; }

"$build/bin/tavlo-bench-page" "$work/page.bmp"

magick=""
policy=/etc/ImageMagick-6/policy.xml
if command -v convert >/dev/null && [ "$(id -u)" = 0 ] && [ -f "$policy" ]; then
    grep -v 'pattern="PDF"' "$policy" >"$work/policy.xml"
    magick=yes
fi
convert_pdf() {
    unshare -m sh -c "mount --bind '$work/policy.xml' '$policy' && convert '$1' '$2'"
}

timed() {  # timed OUT COMMAND...: wall seconds of the command
    local t0 t1
    sync
    t0=$(now)
    "$@" >/dev/null 2>&1
    t1=$(now)
    echo "$t1 - $t0" | bc -l
}

echo "load at the start: $(cut -d" " -f1-3 /proc/loadavg)"
declare -a tavlo_s img2pdf_s convert_s
for i in $(seq "$runs"); do
    rm -f "$work"/*.pdf
    tavlo_s+=("$(timed "$build/bin/tavlo-print-page" "$work/page.bmp" "$work/tavlo.pdf")")
    img2pdf_s+=("$(timed img2pdf "$work/page.bmp" -o "$work/img2pdf.pdf")")
    [ -n "$magick" ] && convert_s+=("$(timed convert_pdf "$work/page.bmp" "$work/convert.pdf")")
done
size() { [ -f "$1" ] && stat -c %s "$1" || echo "-"; }
echo "colour A4 300 dpi page to PDF, $runs runs, median wall seconds and file bytes:"
printf '  %-12s %8.2f s  %10s bytes\n' tavlo "$(median "${tavlo_s[@]}")" "$(size "$work/tavlo.pdf")"
printf '  %-12s %8.2f s  %10s bytes\n' img2pdf "$(median "${img2pdf_s[@]}")" "$(size "$work/img2pdf.pdf")"
if [ -n "$magick" ]; then
    printf '  %-12s %8.2f s  %10s bytes\n' convert "$(median "${convert_s[@]}")" "$(size "$work/convert.pdf")"
fi

declare -a plain_ppm plain_stall print_ppm print_stall
for i in $(seq "$runs"); do
    rm -rf "$work/plain" "$work/print"
    sync
    r=$(timeout 120 "$build/bin/tavlo_scan_window_bench" --folder "$work/plain" 2>/dev/null | grep pages_per_minute || true)
    if [ -n "$r" ]; then plain_ppm+=("$(field pages_per_minute "$r")"); plain_stall+=("$(field longest_stall_ms "$r")"); fi
    sync
    r=$(timeout 120 "$build/bin/tavlo_scan_window_bench" --folder "$work/print" --print 2>/dev/null | grep pages_per_minute || true)
    if [ -n "$r" ]; then print_ppm+=("$(field pages_per_minute "$r")"); print_stall+=("$(field longest_stall_ms "$r")"); fi
done
echo "10-page feeder run, colour A4 300 dpi, medians of ${#plain_ppm[@]} and ${#print_ppm[@]} runs:"
[ ${#plain_ppm[@]} -gt 0 ] && printf '  %-22s %6.0f ppm  longest stall %6.1f ms (max of runs %s)\n' "without printing" \
    "$(median "${plain_ppm[@]}")" "$(median "${plain_stall[@]}")" "$(printf '%s\n' "${plain_stall[@]}" | sort -g | tail -1)"
[ ${#print_ppm[@]} -gt 0 ] && printf '  %-22s %6.0f ppm  longest stall %6.1f ms (max of runs %s)\n' "画像ｻｲｽﾞで印刷 to PDF" \
    "$(median "${print_ppm[@]}")" "$(median "${print_stall[@]}")" "$(printf '%s\n' "${print_stall[@]}" | sort -g | tail -1)"
echo "load at the end: $(cut -d" " -f1-3 /proc/loadavg)"
