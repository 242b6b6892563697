#!/usr/bin/env bash
# Makes the starting seeds of every corpus in OUTPUT_FOLDER (default: a new folder seeds/ here):
# the program's own files (fuzz_make_seeds, built in BUILD_DIR), images from ImageMagick, libtiff's
# tools and cjpeg in the forms the readers accept or must refuse, and a few hand-written texts.
#   fuzz/make_seeds.sh BUILD_DIR [OUTPUT_FOLDER]
# The committed corpora started from these and then took in what fuzzing found.
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
BUILD=${1:?usage: make_seeds.sh BUILD_DIR [OUTPUT_FOLDER]}
OUT=${2:-$HERE/seeds}
mkdir -p "$OUT"
cmake --build "$BUILD" --target fuzz_make_seeds >/dev/null
"$BUILD/bin/fuzz_make_seeds" "$OUT"

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
T=$OUT/tiff
J=$OUT/jpeg

# Tiny images: the readers' paths depend on the form of the file, not on its size.
convert -size 6x4 gradient:red-blue "$WORK/rgb.ppm"
convert "$WORK/rgb.ppm" -compress none -depth 8 "$T/im-rgb8.tif"
convert "$WORK/rgb.ppm" -compress none -colorspace Gray -depth 8 "$T/im-grey8.tif"
convert "$WORK/rgb.ppm" -compress none -monochrome "$T/im-bilevel.tif"
convert "$WORK/rgb.ppm" -compress none -colors 4 -type Palette "$T/im-palette.tif"
convert "$WORK/rgb.ppm" -compress none -depth 16 "$T/im-rgb16.tif"
convert "$WORK/rgb.ppm" -compress none -colorspace CMYK "$T/im-cmyk.tif"
convert "$WORK/rgb.ppm" -compress none -alpha set -channel A -evaluate set 50% "$T/im-rgba.tif"
convert "$WORK/rgb.ppm" -compress none -orient BottomLeft "$T/im-bottomleft.tif"
convert "$WORK/rgb.ppm" -compress lzw "$T/im-lzw.tif"
tiffcp -c none -p separate "$T/im-rgb8.tif" "$T/tc-planar.tif"
tiffcp -c none -t -w 16 -l 16 "$T/im-rgb8.tif" "$T/tc-tiled.tif"
tiffcp -c none -B "$T/im-rgb8.tif" "$T/tc-bigendian.tif"
tiffcp -c none -r 1 "$T/im-rgb8.tif" "$T/tc-strip-per-row.tif"

convert -size 17x9 gradient:green-yellow "$WORK/j.ppm"
cjpeg -quality 80 -outfile "$J/cj-baseline.jpg" "$WORK/j.ppm"
cjpeg -progressive -outfile "$J/cj-progressive.jpg" "$WORK/j.ppm"
cjpeg -grayscale -outfile "$J/cj-grey.jpg" "$WORK/j.ppm"
cjpeg -rgb -outfile "$J/cj-rgb.jpg" "$WORK/j.ppm"
cjpeg -restart 1 -optimize -outfile "$J/cj-restart.jpg" "$WORK/j.ppm"
cjpeg -sample 1x1 -outfile "$J/cj-444.jpg" "$WORK/j.ppm"
cjpeg -arithmetic -outfile "$J/cj-arithmetic.jpg" "$WORK/j.ppm" 2>/dev/null || true
convert "$WORK/j.ppm" -colorspace CMYK "$J/im-cmyk.jpg"

# The profile split over three APP2 segments, given in the order 2, 3, 1: the reader takes the
# chunks by their sequence numbers, not by their order in the file.
python3 - "$J/own-rgb-icc.jpg" "$J/split-icc.jpg" <<'PY'
import struct, sys
data = open(sys.argv[1], 'rb').read()
pos, out, profile = 2, bytearray(data[:2]), None
while pos < len(data):
    marker, length = data[pos + 1], struct.unpack('>H', data[pos + 2:pos + 4])[0]
    seg = data[pos:pos + 2 + length]
    if marker == 0xE2 and seg[4:16] == b'ICC_PROFILE\0':
        profile = seg[18:]
        parts = [profile[:100], profile[100:180], profile[180:]]
        for seq in (2, 3, 1):
            body = b'ICC_PROFILE\0' + bytes([seq, 3]) + parts[seq - 1]
            out += b'\xff\xe2' + struct.pack('>H', len(body) + 2) + body
    else:
        out += seg
    pos += 2 + length
    if marker == 0xDA:
        out += data[pos:]
        break
open(sys.argv[2], 'wb').write(out)
PY

cp "$HERE/../data/reference-sets.csv" "$OUT/reference_csv/data-reference-sets.csv"
printf 'set,name,area,r,g,b,w\r\n7,"Quoted ""name"", with comma",0,1,2,3,100\r\n7,"Quoted ""name"", with comma",1,4,5,6,100\r\n7,"Quoted ""name"", with comma",2,7,8,9,100\r\n' \
  >"$OUT/reference_csv/quoted-crlf.csv"

# Missing values ('#'), a refused write ('!'), numbers in odd notations.
printf '/photos/profiles\n#\n1e3\n  -2.5xyz\n!\nC:\\Users\\me\n\n#\n-0\nnan\ninf\n0x10\n1.5e-400\n9\n9\n9\n9\n9\n9\n99999999999\n-2147483649\nTrue\n+80\n7=-1\n8=\n!=x\n' \
  >"$OUT/settings/odd-values.txt"
cat >"$OUT/settings_file/hand-edited.conf" <<'INI'
; edited by hand
[General]
ICCPath="C:\\Profiles, old"
Gamma = 1,8
JPEGQuality=@Variant(\0\0\0\x2\0\0\0\x5)
ICMFlag=@Rect(0 0 1 1)
LoadImagePath=@ByteArray(/photos)
ErrorPixels=12 ; comment
[OnceMessages]
1001=-1
7=
INI
