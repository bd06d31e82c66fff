#!/usr/bin/env bash
# Regenerates the bitmap-object fixtures: source pictures written here as PAM,
# encoded with libwebp's cwebp / img2webp (lossless, exact: the colour under
# alpha 0 is kept), and the expected pixels as dwebp decodes them (-pam, bytes
# R, G, B, A). An animation's expected pixels are its frames side by side, each
# as dwebp decodes the frame encoded alone.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 - "$work" <<'PY'
import sys
out = sys.argv[1]
def pam(name, w, h, pixel):
    data = bytearray()
    for y in range(h):
        for x in range(w):
            data += bytes(pixel(x, y))
    head = f"P7\nWIDTH {w}\nHEIGHT {h}\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n"
    open(f"{out}/{name}.pam", "wb").write(head.encode() + data)

# Every alpha class: 0 (colour kept under it), 255 and values between.
def with_alpha(x, y):
    a = [0, 255, 1, 128, 254, 77][(x + 2 * y) % 6]
    return ((x * 37 + y * 11) % 256, (x * 5 + y * 71 + 9) % 256, (x * y * 13 + 200) % 256, a)
pam("alpha", 11, 7, with_alpha)

def opaque(x, y):
    return ((x * 29 + 3) % 256, (y * 53 + x * 7) % 256, ((x ^ y) * 19) % 256, 255)
pam("opaque", 9, 5, opaque)

# The alpha image of the two-image form: the alpha channel over black.
pam("mask", 9, 5, lambda x, y: (0, 0, 0, (x * 31 + y * 47) % 256 if (x + y) % 4 else 0))

# Animation frames: a small change (the encoder stores a sub-rectangle), then a
# frame that differs everywhere.
def frame1(x, y):
    return ((x * 40) % 256, (y * 60) % 256, 90, 255)
def frame2(x, y):
    return (250, 10, 20, 255) if 2 <= x < 4 and 1 <= y < 3 else frame1(x, y)
def frame3(x, y):
    return (255 - x * 40, 255 - y * 60, (x * y * 17) % 256, 255)
for i, f in enumerate((frame1, frame2, frame3)):
    pam(f"frame{i}", 6, 4, f)
PY

for name in alpha opaque mask; do
    cwebp -quiet -lossless -exact "$work/$name.pam" -o "$name.webp"
    dwebp -quiet -pam "$name.webp" -o "$name.pam"
done

img2webp -loop 0 -lossless -d 50 "$work/frame0.pam" "$work/frame1.pam" "$work/frame2.pam" -o anim.webp
# The strip: frame k at x = k x width.
for k in 0 1 2; do
    cwebp -quiet -lossless -exact "$work/frame$k.pam" -o "$work/frame$k.webp"
    dwebp -quiet -pam "$work/frame$k.webp" -o "$work/decoded$k.pam"
done
python3 - "$work" <<'PY'
import sys
work = sys.argv[1]
def read(path):
    b = open(path, "rb").read()
    end = b.index(b"ENDHDR\n") + 7
    head = dict(l.split(" ", 1) for l in b[:end].decode().splitlines()[1:-1])
    return int(head["WIDTH"]), int(head["HEIGHT"]), b[end:]
frames = [read(f"{work}/decoded{k}.pam") for k in range(3)]
w, h = frames[0][0], frames[0][1]
data = bytearray()
for y in range(h):
    for _, _, pixels in frames:
        data += pixels[y * w * 4:(y + 1) * w * 4]
head = f"P7\nWIDTH {w * 3}\nHEIGHT {h}\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n"
open("anim.pam", "wb").write(head.encode() + data)
PY
