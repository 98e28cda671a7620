#!/usr/bin/env bash
# Prints the codec figures side by side, all measured in this one run on this machine:
#  1. in-process: saving the colour A4 page (2480 x 3508, 24 bits, 300 dpi) as BMP, with and
#     without the sync to disk that every save makes, against `dd` writing as many bytes to the
#     same disk, with and without conv=fsync;
#  2. whole process: `tavlo-image convert` from the BMP page to BMP, TIF, PNG, JPG (quality 80)
#     and GIF against ImageMagick's `convert` and `vips copy` given the same BMP, and against
#     `vips copy` reading its own PPM twin of the page; the 600 dpi twin to BMP;
#  3. the size of our PNG against ImageMagick's;
#  4. peak memory (maximum resident set) of a load and of each load + save, against the decoded
#     size of the page, less the memory of the same program loading a 1 x 1 image.
# Then the Google Benchmark figures of every format (bench_codecs).
#   bench/codecs.sh            TAVLO_BENCH_RUNS (default 5) runs per command after one warm-up;
#                              TAVLO_BENCH_DIR (default build/bench-work) holds the pages, on the
#                              disk being measured.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/lib.sh"
runs=${TAVLO_BENCH_RUNS:-5}

missing=()
for tool in imagemagick libvips-tools hyperfine time python3; do
    dpkg-query -W -f='${Status}' "$tool" 2>/dev/null | grep -q 'install ok installed' || missing+=("$tool")
done
if [ ${#missing[@]} -gt 0 ]; then
    apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
fi
build_tavlo tavlo-image bench_codecs tavlo-bench-page >/dev/null
bin=$TAVLO_BUILD_DIR/bin
work=${TAVLO_BENCH_DIR:-$TAVLO_BUILD_DIR/bench-work}
mkdir -p "$work"
work=$(cd "$work" && pwd)
# The real ImageMagick program, not a wrapper script that might stand in front of it.
magick=$(command -v convert-im6.q16 || command -v convert)

cd "$work"
"$bin/tavlo-bench-page" page.bmp 300
"$bin/tavlo-bench-page" page600.bmp 600
vips copy page.bmp page.ppm
"$magick" page.bmp -crop 1x1+0+0 +repage BMP3:tiny.bmp
page_bytes=$(stat -c %s page.bmp)
decoded_bytes=$((2480 * 3 * 3508))
echo "Test page: $work/page.bmp, 2480 x 3508 x 24 bits at 300 dpi, $page_bytes bytes" \
     "(600 dpi twin: page600.bmp, $(stat -c %s page600.bmp) bytes); $(nproc) cores; disk: $(df --output=source,fstype "$work" | tail -1)"

echo
echo "== 1. Saving the colour page as BMP, in process, against dd writing $page_bytes bytes to the same disk"
"$bin/bench_codecs" --benchmark_filter='^(save|write_without_sync)/BMP/colour/' \
    --benchmark_repetitions="$runs" --benchmark_report_aggregates_only=true \
    --benchmark_format=json >bmp-save.json 2>/dev/null
dd_time() {  # median seconds of $runs dd runs writing a new file of page_bytes bytes
    local times=() i
    for i in $(seq "$runs"); do
        rm -f dd.out
        times+=("$(dd if=/dev/zero of=dd.out bs="$page_bytes" count=1 "$@" 2>&1 | sed -n 's/.* copied, \([0-9.e-]*\) s.*/\1/p')")
    done
    rm -f dd.out
    printf '%s\n' "${times[@]}" | sort -g | sed -n "$(((runs + 1) / 2))p"
}
dd_plain=$(dd_time)
dd_sync=$(dd_time conv=fsync)
python3 - "$dd_plain" "$dd_sync" <<'PY'
import json, sys
dd_plain, dd_sync = float(sys.argv[1]) * 1000, float(sys.argv[2]) * 1000
runs = {b["run_name"]: b["real_time"] for b in json.load(open("bmp-save.json"))["benchmarks"]
        if b.get("aggregate_name") == "median"}
save = next(v for k, v in runs.items() if k.startswith("save/BMP/colour"))
write = next(v for k, v in runs.items() if k.startswith("write_without_sync/BMP/colour"))
print(f"  dd, no sync                      {dd_plain:8.1f} ms")
print(f"  our BMP write, no sync           {write:8.1f} ms   {write / dd_plain:5.2f} x dd")
print(f"  dd conv=fsync                    {dd_sync:8.1f} ms")
print(f"  our BMP save (temp, fsync, rename){save:7.1f} ms   {save / dd_sync:5.2f} x dd conv=fsync")
PY

echo
echo "== 2. Whole process from the BMP page ($runs runs after a warm-up; means; load average now $(cut -d' ' -f1-3 /proc/loadavg))"
commands=()
names=()
add() { names+=("$1"); commands+=("$2"); }
for f in bmp tif png jpg gif; do
    up=$(echo "$f" | tr a-z A-Z)
    quality=""; [ "$f" = jpg ] && quality="--quality 80"
    add "ours $f" "$bin/tavlo-image convert page.bmp ours.$f --format $up $quality"
    im_quality=""; [ "$f" = jpg ] && im_quality="-quality 80"
    add "magick $f" "$magick page.bmp $im_quality magick.$f"
    vips_opt=""; [ "$f" = jpg ] && vips_opt="[Q=80]"
    add "vips $f" "vips copy page.bmp vips.$f$vips_opt"
    add "vips-ppm $f" "vips copy page.ppm vipsppm.$f$vips_opt"
done
# ImageMagick and vips write TIFF uncompressed unless told; ours is LZW with the predictor, so
# they are also timed making the same kind of file.
add "magick tif-lzw" "$magick page.bmp -compress LZW -define tiff:predictor=2 magick-lzw.tif"
add "vips tif-lzw" "vips copy page.bmp vips-lzw.tif[compression=lzw,predictor=horizontal]"
add "vips-ppm tif-lzw" "vips copy page.ppm vipsppm-lzw.tif[compression=lzw,predictor=horizontal]"
add "ours bmp600" "$bin/tavlo-image convert page600.bmp ours600.bmp --format BMP"
add "magick bmp600" "$magick page600.bmp magick600.bmp"
hyperfine_args=()
for i in "${!commands[@]}"; do hyperfine_args+=(-n "${names[$i]}" "${commands[$i]}"); done
hyperfine -N --style none --warmup 1 --runs "$runs" --export-json whole.json "${hyperfine_args[@]}" >/dev/null 2>&1 ||
    hyperfine --style none --warmup 1 --runs "$runs" --export-json whole.json "${hyperfine_args[@]}" >/dev/null
python3 - <<'PY'
import json
results = json.load(open("whole.json"))["results"]
wall = {r["command"]: r["mean"] for r in results}
cpu = {r["command"]: r["user"] + r["system"] for r in results}
for title, t in (("wall-clock seconds", wall), ("processor seconds (user + system, all threads)", cpu)):
    print(f"  {title}")
    print(f"  {'to':8} {'ours':>7} {'magick':>7} {'vips':>7} {'vipsPPM':>8}   {'ours/magick':>11} {'ours/vips':>9} {'ours/vipsPPM':>12}")
    for f in ["bmp", "tif", "tif-lzw", "png", "jpg", "gif"]:
        o = t.get(f"ours {f.split('-')[0]}")
        m, v, p = (t.get(f"{k} {f}") for k in ("magick", "vips", "vips-ppm"))
        fmt = lambda x: f"{x:7.3f}" if x else "    n/a"
        ratio = lambda a, b: f"{a / b:5.2f}" if a and b else "  n/a"
        print(f"  {f:8} {fmt(o)} {fmt(m)} {fmt(v)} {fmt(p):>8}   {ratio(o, m):>11} {ratio(o, v):>9} {ratio(o, p):>12}")
o, m = wall.get("ours bmp600"), wall.get("magick bmp600")
print(f"  600 dpi page to BMP: ours {o:.3f} s, magick {m:.3f} s ({o / m:.2f} x)")
PY

echo
echo "== 3. File sizes (bytes)"
echo "  PNG: ours $(stat -c %s ours.png), ImageMagick $(stat -c %s magick.png), vips $(stat -c %s vips.png)"
echo "  TIF: ours (LZW) $(stat -c %s ours.tif), ImageMagick $(stat -c %s magick.tif) / LZW $(stat -c %s magick-lzw.tif), vips $(stat -c %s vips.tif) / LZW $(stat -c %s vips-lzw.tif)"
echo "  JPG: ours $(stat -c %s ours.jpg), ImageMagick $(stat -c %s magick.jpg), vips $(stat -c %s vips.jpg); GIF: ours $(stat -c %s ours.gif), ImageMagick $(stat -c %s magick.gif), vips $(stat -c %s vips.gif)"

echo
echo "== 4. Peak memory (maximum resident set, kB); the page decodes to $decoded_bytes bytes"
rss() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -1; }
base=$(rss "$bin/tavlo-image" info tiny.bmp)
load=$(rss "$bin/tavlo-image" info page.bmp)
printf '  %-28s %8s kB\n' "baseline (1 x 1 image)" "$base"
report() { awk -v what="$1" -v kb="$2" -v base="$base" -v decoded="$decoded_bytes" 'BEGIN {
    printf "  %-28s %8d kB  above baseline %6.1f MB = %4.2f x decoded\n", what, kb,
           (kb - base) * 1024 / 1e6, (kb - base) * 1024 / decoded }'; }
report "load BMP" "$load"
for f in bmp tif png jpg gif pcx; do
    up=$(echo "$f" | tr a-z A-Z)
    report "load BMP + save $up" "$(rss "$bin/tavlo-image" convert page.bmp mem.$f --format "$up")"
done
for f in tif png jpg pcx; do
    "$bin/tavlo-image" convert page.bmp load.$f --format "$(echo $f | tr a-z A-Z)"
    report "load $(echo $f | tr a-z A-Z)" "$(rss "$bin/tavlo-image" info load.$f)"
done

echo
echo "== 5. Google Benchmark, every format (bench_codecs)"
"$bin/bench_codecs" --benchmark_min_time=1 2>/dev/null
