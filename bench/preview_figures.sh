#!/usr/bin/env bash
# The scan-settings dialog's preview on SANE's test device, colour, 75 dpi: the time from pressing
# "ﾌﾟﾚﾋﾞｭｰ" to the preview painted in the pane (goal: under 1 s) and the longest stall of the
# user-interface thread while it arrives (goal: at most 50 ms). A preview always covers the whole
# glass: measured on the project's test device (432 x 432 mm, about three A4 pages) and on the same
# device with a glass of 297 x 297 mm, the smallest that holds an A4 page.
#
#   bench/preview_figures.sh [runs]        (default 7 previews on each glass)
#
# Environment: TAVLO_BUILD_DIR (default build/).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TAVLO_BUILD_DIR:-$root/build}
runs=${1:-7}
cmake --build "$build" --target tavlo_scan_preview_bench >/dev/null
export QT_QPA_PLATFORM=offscreen

a4=$(mktemp -d)
trap 'rm -rf "$a4"' EXIT
cp "$root/sane/dll.conf" "$a4/"
sed -e 's/^geometry_max .*/geometry_max 297.0/' "$root/sane/test.conf" >"$a4/test.conf"

echo "load at the start: $(cut -d" " -f1-3 /proc/loadavg)"
for glass in "$root/sane" "$a4"; do
    label=$([ "$glass" = "$a4" ] && echo "297 x 297 mm glass" || echo "432 x 432 mm glass")
    result=$(SANE_CONFIG_DIR="$glass" timeout 120 "$build/bin/tavlo_scan_preview_bench" \
        --runs "$runs" 2>/dev/null | tail -1)
    printf '  %-20s %s\n' "$label" "$result"
done
