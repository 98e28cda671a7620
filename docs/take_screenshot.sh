#!/usr/bin/env bash
# Takes docs/main_window.png: Tavlo under Xvfb with a Japanese font, a fresh user data folder
# holding a few scanned pages, and the second page opened from the work-folder list.
# Needs xvfb, xdotool, imagemagick's import and fonts-noto-cjk; run after a build.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BIN=${TAVLO_BUILD_DIR:-$ROOT/build}/bin/tavlo
OUT=${1:-$ROOT/docs/main_window.png}

. "$ROOT/docs/screenshot_lib.sh"
need_display "$0" "$OUT"
fresh_user
WORK=$XDG_DATA_HOME/Hollin/tavlo/Temp
mkdir -p "$WORK"

# A few pages that look like scans: paper, lines of text and a picture.
python3 - "$WORK" <<'PY'
import struct, sys, random
def page(path, seed, w=620, h=877):
    random.seed(seed)
    rows = []
    for y in range(h):
        row = bytearray()
        for x in range(w):
            v = 246 + random.randint(-4, 4)
            r = g = b = v
            line = (y - 90) // 22
            if 90 <= y < 700 and (y - 90) % 22 < 9 and 60 <= x < 560 - (line * 37 % 140):
                if (x // 7 + line) % 9:
                    r = g = b = 40 + random.randint(0, 30)
            if seed % 2 and 470 <= y < 680 and 330 <= x < 560:
                r, g, b = 70 + (x - 330) // 2, 120 + (y - 470) // 3, 180 - (x - 330) // 3
            row += bytes((b, g, r))
        row += b"\0" * ((4 - len(row) % 4) % 4)
        rows.append(bytes(row))
    data = b"".join(reversed(rows))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 7874, 7874, 0, 0)
    open(path, "wb").write(header + info + data)
for i in range(1, 5):
    page("%s/scan-%03d.bmp" % (sys.argv[1], i), i)
PY

"$BIN" &
PID=$!
WID=$(wait_for_window '^Tavlo$' 100)
[ -n "$WID" ] || { echo "the window did not appear" >&2; exit 1; }
sleep 1
eval "$(xdotool getwindowgeometry --shell "$WID")"
# The list starts below the menu bar and the tool strip; its third entry opens that page.
xdotool mousemove $((X + 30)) $((Y + 75)) click 1
sleep 1
photograph "$OUT"
echo "wrote $OUT"
