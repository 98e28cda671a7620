#!/usr/bin/env bash
# Pages per minute of a 10-page feeder run from SANE's test device (colour, A4, 300 dpi):
# Tavlo's main window ("ｽｷｬﾝ" > "実行" on fmMain) writing numbered BMP work files, side by side
# with `scanimage --batch` writing PNM files, in one run; plus the longest stall of Tavlo's
# user-interface thread while the pages arrived.
#
#   bench/scan_throughput.sh [runs]        (default 5 runs of each; medians are printed)
#
# The window's pages come through the scan helper process (tavlo-scan-helper); also printed: the
# helper's peak resident memory, the ratio to scanimage of every run, and the time from Cancel to
# the window being usable while the driver blocks inside a page (the tests' stand-in helper,
# tavlo-scan-helper-faulty, built with BUILD_TESTING), measured once per run.
#
# Also measured, to show where the time goes: the scanner object alone with the BMP written in
# the ImageAcquired handler on the user-interface thread, the same pages written raw (no codec,
# no fsync), and the BMP work files saved by a free-running writer thread.
#
# Environment: TAVLO_BUILD_DIR (default build/), BENCH_DIR (default a temporary folder on the
# same disk as the build; the files are removed afterwards).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TAVLO_BUILD_DIR:-$root/build}
runs=${1:-5}

command -v scanimage >/dev/null || { echo "scanimage is missing (apt-get install sane-utils)"; exit 1; }
cmake --build "$build" --target tavlo_scan_bench tavlo_scan_window_bench tavlo-scan-helper >/dev/null
cmake --build "$build" --target tavlo-scan-helper-faulty >/dev/null 2>&1 || true

export SANE_CONFIG_DIR="$root/sane"
export QT_QPA_PLATFORM=offscreen
work=${BENCH_DIR:-$(mktemp -d "$build/scan-bench.XXXXXX")}
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT

area=(-l 0 -t 0 -x 210 -y 297)
now() { date +%s.%N; }

# Runs one benchmark program with a time limit and prints its result line, or nothing when it
# failed: SANE's test backend now and then hangs in pthread_create after cancelling its own reader
# thread, and one stuck run must not stop the others.
run_bench() { timeout 60 "$@" 2>/dev/null | grep pages_per_minute || echo "failed: ${*##*/}" >&2; }
field() { sed -nE "s/.*$1=([0-9.]+).*/\\1/p" <<<"$2"; }
ppm() { [ -n "$1" ] && printf '%.0f ppm' "$(field pages_per_minute "$1")" || printf 'failed'; }

echo "load at the start: $(cut -d" " -f1-3 /proc/loadavg)"
declare -a sane_ppm win_ppm win_stalls tavlo_ppm raw_ppm bg_ppm stalls bg_stalls handlers ratios
declare -a helper_mb cancels
for i in $(seq "$runs"); do
    # scanimage: one process, sane_init to the last PNM file.
    rm -rf "$work/pnm" && mkdir -p "$work/pnm"
    sync  # every run starts without the previous run's unwritten data
    t0=$(now)
    timeout 60 scanimage -d test:0 --source "Automatic Document Feeder" --mode Color --depth 8 \
        --resolution 300 "${area[@]}" --test-picture "Color pattern" \
        --batch="$work/pnm/p%03d.pnm" >/dev/null 2>&1 || true
    t1=$(now)
    pages=$(find "$work/pnm" -name '*.pnm' | wc -l)
    sane_ppm+=("$(echo "$pages * 60 / ($t1 - $t0)" | bc -l)")

    # Tavlo's window: "実行" to the last BMP work file, through fmMain's own handler.
    rm -rf "$work/win"
    sync
    win=$(run_bench "$build/bin/tavlo_scan_window_bench" --folder "$work/win")
    if [ -n "$win" ]; then
        win_ppm+=("$(field pages_per_minute "$win")")
        win_stalls+=("$(field longest_stall_ms "$win")")
        helper_mb+=("$(field helper_peak_rss_mb "$win")")
        ratios+=("$(echo "${win_ppm[-1]} * 100 / ${sane_ppm[-1]}" | bc -l)")
    fi
    # Cancel while the driver blocks inside page 3: until the window is usable again.
    if [ -x "$build/bin/tavlo-scan-helper-faulty" ]; then
        rm -rf "$work/cancel"
        c=$(TAVLO_TEST_DRIVER_FAULT=hang:3 timeout 60 "$build/bin/tavlo_scan_window_bench" \
            --folder "$work/cancel" --helper "$build/bin/tavlo-scan-helper-faulty" \
            --cancel-at-page 3 2>/dev/null | grep cancel_to_usable_ms || true)
        [ -n "$c" ] && cancels+=("$(field cancel_to_usable_ms "$c")")
    fi

    # The scanner object alone: AcquireImages to the last BMP work file, written in the handler.
    rm -rf "$work/bmp"
    sync
    obj=$(run_bench "$build/bin/tavlo_scan_bench" --folder "$work/bmp")
    if [ -n "$obj" ]; then
        tavlo_ppm+=("$(field pages_per_minute "$obj")")
        stalls+=("$(field longest_stall_ms "$obj")")
        handlers+=("$(field longest_handler_ms "$obj")")
    fi

    # The same with the bytes written raw (no codec, no fsync): what the disk alone costs.
    rm -rf "$work/raw"
    sync
    raw=$(run_bench "$build/bin/tavlo_scan_bench" --folder "$work/raw" --writer raw)
    [ -n "$raw" ] && raw_ppm+=("$(field pages_per_minute "$raw")")
    # The BMP work files saved by a free-running writer thread instead of the handler.
    rm -rf "$work/bg"
    sync
    bg=$(run_bench "$build/bin/tavlo_scan_bench" --folder "$work/bg" --writer background)
    if [ -n "$bg" ]; then
        bg_ppm+=("$(field pages_per_minute "$bg")")
        bg_stalls+=("$(field longest_stall_ms "$bg")")
    fi
    echo "run $i: scanimage $(printf '%.0f' "${sane_ppm[-1]}") ppm," \
         "window $(ppm "$win") ($( [ -n "$win" ] && printf '%.0f' "${ratios[-1]}") % of scanimage," \
         "stall $(field longest_stall_ms "$win") ms, helper $(field helper_peak_rss_mb "$win") MB)," \
         "Cancel to usable ${cancels[-1]:-?} ms," \
         "scanner object BMP $(ppm "$obj") (stall $(field longest_stall_ms "$obj") ms)," \
         "raw $(ppm "$raw"), BMP on a writer thread $(ppm "$bg")"
done

median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }
max() { printf '%s\n' "$@" | sort -g | tail -1; }
s=$(median "${sane_ppm[@]}"); wn=$(median "${win_ppm[@]}"); t=$(median "${tavlo_ppm[@]}"); r=$(median "${raw_ppm[@]}")
b=$(median "${bg_ppm[@]}")
echo
echo "10-page feeder run, colour A4 300 dpi (26 MB a page), median of $runs runs, load: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '  scanimage --batch -> PNM          %8.0f pages/min\n' "$s"
printf '  Tavlo window -> BMP work files    %8.0f pages/min  (%.0f %% of scanimage; longest stall %.1f ms, median %.1f ms)\n' "$wn" "$(echo "$wn * 100 / $s" | bc -l)" "$(max "${win_stalls[@]}")" "$(median "${win_stalls[@]}")"
printf '  scanner object, BMP in handler    %8.0f pages/min  (%.0f %% of scanimage)\n' "$t" "$(echo "$t * 100 / $s" | bc -l)"
printf '  Tavlo -> raw rows (no fsync)      %8.0f pages/min  (%.0f %% of scanimage)\n' "$r" "$(echo "$r * 100 / $s" | bc -l)"
printf '  Tavlo -> BMP on a writer thread   %8.0f pages/min  (%.0f %% of scanimage; longest stall %.1f ms)\n' "$b" "$(echo "$b * 100 / $s" | bc -l)" "$(max "${bg_stalls[@]}")"
printf '  its longest UI-thread stall       %8.1f ms (median %.1f ms; longest ImageAcquired handler %.1f ms)\n' \
    "$(max "${stalls[@]}")" "$(median "${stalls[@]}")" "$(max "${handlers[@]}")"
echo "  window/scanimage per run            $(printf '%.0f%% ' "${ratios[@]}")"
printf '  scan helper peak memory           %8.1f MB (VmHWM, largest of the runs)\n' "$(max "${helper_mb[@]}")"
[ ${#cancels[@]} -gt 0 ] && printf '  Cancel to usable, driver blocked  %8.0f ms (longest; median %.0f ms)\n' "$(max "${cancels[@]}")" "$(median "${cancels[@]}")"
exit 0
