#!/usr/bin/env bash
# Prints, side by side from one run on this machine, the wall-clock time and the file size of
# `tavlo-image pdf` against img2pdf (the reference for lossless image-to-PDF) and ImageMagick's
# `convert` making one PDF of each of three sets of ten pages:
#   colour  the scanned test page (bench/codecs/scan_page.h), 2480 x 3508, 24 bits, 300 dpi, BMP
#   mono    the same page at 1 bit (threshold 128), BMP
#   jpeg    the same page as JPEG at quality 85
# The ten pages of a set are the page, mirrored and turned in four ways, so no two neighbours match.
#   bench/pdf.sh      TAVLO_BENCH_RUNS (default 3) runs per command after one warm-up;
#                     TAVLO_BENCH_DIR (default build/bench-pdf) holds the pages.
# Debian's ImageMagick refuses to write PDF by its security policy; when that is so, convert is
# run in a private mount namespace where a copy of the policy without that line stands over it
# (nothing on the system changes), and reported as n/a when that is not possible.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/lib.sh"
runs=${TAVLO_BENCH_RUNS:-3}

missing=()
for tool in img2pdf imagemagick; do
    dpkg-query -W -f='${Status}' "$tool" 2>/dev/null | grep -q 'install ok installed' || missing+=("$tool")
done
if [ ${#missing[@]} -gt 0 ]; then
    apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
fi

build_tavlo tavlo-image tavlo-bench-page >/dev/null
bin=$TAVLO_BUILD_DIR/bin
work=${TAVLO_BENCH_DIR:-$TAVLO_BUILD_DIR/bench-pdf}
mkdir -p "$work"
work=$(cd "$work" && pwd)
magick=$(command -v convert-im6.q16 || command -v convert)
cd "$work"

variants=("" "--mirror-lr" "--mirror-tb" "--rotate 18000")
if [ ! -f jpeg/page09.jpg ]; then
    "$bin/tavlo-bench-page" page.bmp 300
    mkdir -p colour mono jpeg
    for i in $(seq 0 9); do
        n=$(printf '%02d' "$i")
        v=${variants[$((i % 4))]}
        # shellcheck disable=SC2086
        "$bin/tavlo-image" convert page.bmp "colour/page$n.bmp" --format BMP $v
        "$bin/tavlo-image" convert "colour/page$n.bmp" "mono/page$n.bmp" --format BMP --depth 1 --threshold 128
        "$bin/tavlo-image" convert "colour/page$n.bmp" "jpeg/page$n.jpg" --format JPG --quality 85
    done
fi

magick_pdf=("$magick")
if ! "$magick" -size 1x1 xc:white probe.pdf 2>/dev/null; then
    grep -v 'pattern="PDF"' /etc/ImageMagick-6/policy.xml >policy.xml
    if unshare -m sh -c "mount --bind '$work/policy.xml' /etc/ImageMagick-6/policy.xml && '$magick' -size 1x1 xc:white probe.pdf" 2>/dev/null; then
        magick_pdf=(unshare -m sh -c "mount --bind '$work/policy.xml' /etc/ImageMagick-6/policy.xml && exec '$magick' \"\$@\"" convert)
    else
        magick_pdf=()
    fi
fi

# median wall-clock seconds of $runs runs after one warm-up
timed() {
    local times=() i start end
    "$@" >/dev/null 2>&1
    for i in $(seq "$runs"); do
        start=$(date +%s.%N)
        "$@" >/dev/null 2>&1
        end=$(date +%s.%N)
        times+=("$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }')")
    done
    printf '%s\n' "${times[@]}" | sort -g | sed -n "$(((runs + 1) / 2))p"
}

echo "Ten pages per set, $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg); median of $runs runs"
printf '%-7s %10s %10s %10s   %12s %12s %12s\n' set "ours s" "img2pdf s" "magick s" "ours bytes" "img2pdf B" "magick B"
for set in colour mono jpeg; do
    ext=bmp; [ "$set" = jpeg ] && ext=jpg
    files=("$set"/page*."$ext")
    ours=$(timed "$bin/tavlo-image" pdf "ours-$set.pdf" "${files[@]}")
    img=$(timed img2pdf -o "img2pdf-$set.pdf" "${files[@]}")
    if [ ${#magick_pdf[@]} -gt 0 ]; then
        mag=$(timed "${magick_pdf[@]}" "${files[@]}" "magick-$set.pdf")
        mag_size=$(stat -c %s "magick-$set.pdf")
    else
        mag=n/a; mag_size=n/a
    fi
    printf '%-7s %10.3f %10.3f %10s   %12s %12s %12s\n' "$set" "$ours" "$img" "$mag" \
        "$(stat -c %s "ours-$set.pdf")" "$(stat -c %s "img2pdf-$set.pdf")" "$mag_size"
done
