#!/bin/sh
# Regenerates the BMP fixtures of LoadBmpTest with ImageMagick 6 and python3.
# Not run by the tests: they read the files made here. Each readable fixture
# x.bmp has x.rgba beside it, the pixels ImageMagick reads back from it
# ("convert x.bmp rgba:-"): top row first, bytes R, G, B, A per pixel.
set -eu
cd "$(dirname "$0")"
CONVERT=${CONVERT:-/usr/bin/convert}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Deterministic random pixels; in_clear has alpha 0 everywhere, in_alpha a mix
# that includes 0 and 255.
python3 - "$tmp" <<'PY'
import random, sys
out = sys.argv[1]
rnd = random.Random(20240105)
def noise(n): return bytes(rnd.randrange(256) for _ in range(n))
for w, h in [(1, 3), (2, 2), (3, 2), (5, 4)]:
    open(f"{out}/rgb_{w}x{h}", "wb").write(noise(w * h * 3))
px = bytearray(noise(4 * 3 * 4))
for i, a in enumerate([0, 255, 1, 128, 254, 0, 255, 77, 200, 3, 255, 64]):
    px[i * 4 + 3] = a
open(f"{out}/argb_4x3", "wb").write(bytes(px))
px = bytearray(noise(3 * 2 * 4))
for i in range(6):
    px[i * 4 + 3] = 0
open(f"{out}/clear_3x2", "wb").write(bytes(px))
PY

for size in 1x3 2x2 3x2 5x4; do
    "$CONVERT" -size $size -depth 8 rgb:"$tmp/rgb_$size" -type TrueColor BMP3:rgb24_$size.bmp
done
# BMP3 writes 32-bit BI_RGB files with the alpha kept only when asked to.
"$CONVERT" -size 4x3 -depth 8 rgba:"$tmp/argb_4x3" -define bmp3:alpha=true BMP3:argb32_4x3.bmp
"$CONVERT" -size 3x2 -depth 8 rgba:"$tmp/clear_3x2" -define bmp3:alpha=true BMP3:argb32_clear_3x2.bmp
# The V5 form: a 124-byte information header, pixels at offset 138.
"$CONVERT" -size 3x2 -depth 8 rgb:"$tmp/rgb_3x2" -type TrueColor BMP:rgb24_v5_3x2.bmp

for f in rgb24_1x3 rgb24_2x2 rgb24_3x2 rgb24_5x4 argb32_4x3 argb32_clear_3x2 rgb24_v5_3x2; do
    "$CONVERT" $f.bmp -depth 8 rgba:$f.rgba
done

# Refused forms: 32-bit with bit fields (compression 3), 16-bit RGB565.
"$CONVERT" -size 4x3 -depth 8 rgba:"$tmp/argb_4x3" BMP:argb32_bitfields_4x3.bmp
"$CONVERT" -size 3x2 -depth 8 rgb:"$tmp/rgb_3x2" -define bmp:subtype=RGB565 BMP:rgb16_3x2.bmp
