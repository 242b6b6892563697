#!/usr/bin/env bash
# Feeds tintara-cli the hostile files a photographer's disk may hold and prints, as a Markdown table,
# what it reported, its exit status, and whether every file that existed before is unchanged.
#   tools/hostile-inputs.sh [BUILD_DIR]     (default: build)
set -uo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}
CLI="$(pwd)/$BUILD/bin/tintara-cli"
RENDER="$(pwd)/$BUILD/bin/render-card"
W=$(mktemp -d)
trap 'chmod -R u+w "$W"; rm -rf "$W"' EXIT
export XDG_CONFIG_HOME="$W/config"
cd "$W"

# Material: a good profile, a good photograph, and the hostile files made from them.
"$CLI" fit --samples "$OLDPWD/data/sample-measurement.json" --reference '#0' -o good.tnp >/dev/null
"$RENDER" --card none --size 300x200 -o good.tif
"$RENDER" --card none --size 300x200 -o good.jpg
echo "an earlier result" > keep.tif
python3 - <<'PY'
import struct
def tiff(width, height, data=b'\0' * 64):
    entries = [(256, 4, 1, width), (257, 4, 1, height), (258, 3, 1, 8), (259, 3, 1, 1), (262, 3, 1, 2),
               (273, 4, 1, 8 + 2 + 12 * 10 + 4), (277, 3, 1, 3), (278, 4, 1, height), (279, 4, 1, len(data)),
               (284, 3, 1, 1)]
    ifd = struct.pack('<H', len(entries)) + b''.join(struct.pack('<HHII', *e) for e in entries) + b'\0' * 4
    return b'II*\0' + struct.pack('<I', 8) + ifd + data
open('huge.tif', 'wb').write(tiff(100000, 100000))
open('wrap.tif', 'wb').write(tiff(40000, 30000))
good = open('good.tif', 'rb').read()
open('cut.tif', 'wb').write(good[: len(good) // 2])
# Directory first, strip data after it, and the file cut inside the strip.
open('strips.tif', 'wb').write(tiff(100, 100, bytes(range(256)) * 117 + b'\1' * 48)[: 8 + 126 + 10000])
jpg = open('good.jpg', 'rb').read()
open('cut.jpg', 'wb').write(jpg[: len(jpg) // 2])
open('empty.tif', 'wb').write(b'')
open('empty.jpg', 'wb').write(b'')
open('garbage.jpg', 'wb').write(bytes(range(256)) * 40)
# A JPEG whose two profile chunks disagree on the total: the image reads, the profile is dropped.
seg = lambda seq, total, body: b'\xff\xe2' + struct.pack('>H', len(body) + 16) + b'ICC_PROFILE\0' + bytes([seq, total]) + body
open('chunks.jpg', 'wb').write(jpg[:2] + seg(1, 2, b'A' * 100) + seg(2, 3, b'B' * 100) + jpg[2:])
# A profile whose tag table claims more entries than the file holds.
p = bytearray(open('good.tnp', 'rb').read())
p[128:132] = struct.pack('>I', 100000)
open('table.tnp', 'wb').write(bytes(p))
# A profile whose private tag lies past the end.
p = bytearray(open('good.tnp', 'rb').read())
p[132 + 10 * 12 + 4: 132 + 10 * 12 + 8] = struct.pack('>I', 5000)
open('private.tnp', 'wb').write(bytes(p))
# Reference data whose last set name runs past the end of the file.
open('name.dat', 'wb').write(b'LNIF' + struct.pack('<ii', 1, 1) + struct.pack('<ii', 1, 0) + bytes([200]) + b'short')
PY
mkdir -p config/Lumeno folder
printf '[General]\nGamma=%s\n' "$(head -c 5000 /dev/zero | tr '\0' 7)" > config/Lumeno/Tintara.conf
cp good.tnp folder/good.tnp && cp table.tnp folder/table.tnp && : > folder/empty.tnp && cp garbage.jpg folder/junk.tnp
cp good.tif ro.tif && chmod a-w ro.tif

# Files and folders that are not what their names say, names at the file system's limits, and
# outputs that are inputs.
mkfifo fifo.tif && mkdir folder.tif && ln -s /dev/zero zero.tif
long=$(printf 'n%.0s' $(seq 249)) && cp good.tif "$long.tif"
mkdir src out && cp good.tif 'src/a\b.tif' && echo unrelated > out/b.tif
ln -s nowhere 'good(1).tif' && ln good.tif hard.tif && echo x > file.txt
tiffcp good.tif good.tif pages.tif 2>/dev/null
touch "$(printf 'x\nSucceeded\tall.tif')"
printf 'x' > one.icc
printf '{"R":[1,2,3],"G":[1,2,3],"B":[1,2,3]}' > three.json && printf '[1,2,3]' > array.json
convert -size 256x256 plasma:fractal -depth 8 ppm:plasma.ppm 2>/dev/null
cjpeg -arithmetic -outfile arith.jpg plasma.ppm
convert -size 16x16 xc:gray -depth 8 ppm:small.ppm && cjpeg -arithmetic -progressive -sample 1x1 -outfile tiny.jpg small.ppm
python3 - <<'PY'
import struct
d = open('arith.jpg', 'rb').read()
i = d.rfind(b'\xff\xda'); s = i + 2 + (d[i + 2] << 8 | d[i + 3])
open('arith-cut.jpg', 'wb').write(d[:s + (len(d) - 2 - s) // 5] + b'\xff\xd9')
open('arith-empty.jpg', 'wb').write(d[:s] + b'\xff\xd9')
t = bytearray(open('tiny.jpg', 'rb').read())
k = t.find(b'\xff\xca')  # progressive arithmetic frame header: height and width at 5..8
t[k + 5:k + 9] = struct.pack('>HH', 27000, 26000)
open('huge.jpg', 'wb').write(bytes(t))
open('neg.dat', 'wb').write(b'LNIF' + struct.pack('<i', 1) + struct.pack('<i', -1))
PY

snapshot() { find . -path ./config -prune -o -type f -print0 | xargs -0 sha1sum | sort; }

row() {
  local what=$1; shift
  local before after out status lost
  before=$(snapshot)
  out=$("$@" 2>&1)
  status=$?
  out=$(printf '%s' "$out" | tr '\n\t' '  ' | sed 's/tintara-cli: //g; s/  */ /g; s/ $//' | cut -c1-240)
  after=$(snapshot)
  # Files written on purpose by a successful command are new ones; what matters is that no file that
  # was there before changed or went away.
  lost=$(comm -23 <(echo "$before") <(echo "$after") | grep -v '^$' | wc -l)
  [ "$lost" -eq 0 ] && lost="nothing" || lost="$lost file(s) changed"
  local shown="$*"
  shown=${shown//$CLI/tintara-cli}
  shown=${shown//$'\n'/\\n}
  shown=${shown//$'\t'/\\t}
  # Names at the file system's limit are shortened for the table.
  shown=$(printf '%s' "$shown" | sed -E 's/n{20,}/n...n/g')
  out=$(printf '%s' "$out" | sed -E 's/n{20,}/n...n/g')
  printf '| %s | `%s` | %s | %s |\n' "$what" "$shown" "${out:-(nothing)}" "$status, $lost"
}

echo '| hostile input | command | what Tintara reports | exit, files lost |'
echo '|---|---|---|---|'
C=$CLI
row "TIFF declaring 100000 x 100000 pixels in 206 bytes" $C convert --profile good.tnp huge.tif keep.tif
row "TIFF of 40000 x 30000 (x 4 overflows 32 bits)" $C convert --profile good.tnp wrap.tif keep.tif
row "TIFF cut off halfway (its directory lost)" $C convert --profile good.tnp cut.tif keep.tif
row "TIFF whose strip data is cut short" $C convert --profile good.tnp strips.tif keep.tif
row "zero-sized TIFF" $C convert --profile good.tnp empty.tif keep.tif
row "JPEG cut halfway" $C convert --profile good.tnp cut.jpg keep.tif
row "zero-sized JPEG" $C convert --profile good.tnp empty.jpg keep.tif
row "garbage named .jpg" $C convert --profile good.tnp garbage.jpg keep.tif
row "JPEG whose profile chunks disagree on their total" $C convert --profile good.tnp chunks.jpg chunks-out.tif
row "profile whose tag table runs past its end" $C profile-info table.tnp
row "profile whose private tag lies past its end" $C convert --profile private.tnp good.tif keep.tif
row "Lumeno.dat whose set name runs past the end" $C --refdata name.dat references
row "settings value of 5000 characters (Gamma)" $C settings get Gamma
row "profile folder with empty, foreign and damaged .tnp files" $C profiles --folder folder
row "card outline clicked outside the image" $C create-profile good.tif --corners 10,10,400,10,400,150 --reference '#0' -o x.tnp
row "write under a file-size limit (ulimit -f 8)" bash -c 'ulimit -f 8; exec "$0" "$@"' $C convert --profile good.tnp good.tif keep.tif
row "batch Overwrite of a read-only input" $C batch --profile good.tnp --output Overwrite ro.tif
row "batch with a damaged item between good ones" $C batch --profile good.tnp --dest folder good.tif cut.tif good.jpg
row "a FIFO, a folder and a device named like images, between good files" $C batch --profile good.tnp --dest out fifo.tif folder.tif zero.tif good.tif
row "an input name of 249 bytes (n...n.tif), whose numbered copy name is too long" $C batch --profile good.tnp "$long.tif"
row "a destination folder that does not exist" $C batch --profile good.tnp --dest missing good.tif
row "a destination through a file (file.txt/sub)" $C batch --profile good.tnp --dest file.txt/sub good.tif
row "a \\ in an input name (out/b.tif is an unrelated file)" $C batch --profile good.tnp --dest out --output Overwrite 'src/a\b.tif'
row "a dangling link where the copy would go (good(1).tif)" $C batch --profile good.tnp good.tif
row "a TIFF of two pages, overwritten by its conversion" $C batch --profile good.tnp --output Overwrite pages.tif
row "a file name that holds a newline and a status" $C batch --profile good.tnp "$(printf 'x\nSucceeded\tall.tif')"
row "convert onto a hard link of its input" $C convert --profile good.tnp good.tif hard.tif
row "create-profile onto its own photograph" $C create-profile good.tif --corners 1,1,9,1,9,9 --reference '#0' -o ./good.tif
row "convert onto a read-only file" $C convert --profile good.tnp good.jpg ro.tif
row "an arithmetic-coded JPEG with 80 % of its scan cut" $C convert --profile good.tnp arith-cut.jpg keep.tif
row "an arithmetic-coded JPEG without scan data" $C convert --profile good.tnp arith-empty.jpg keep.tif
row "a 400-byte progressive arithmetic JPEG declaring 26000 x 27000" $C convert --profile good.tnp huge.jpg keep.tif
row "a 1-byte file given as the profile to embed" $C embed --profile one.icc good.jpg embedded.jpg
row "samples with 3 entries for a 30-area fit" $C fit --samples three.json --reference '#0' -o x.tnp
row "samples that are a JSON array" $C fit --samples array.json --reference '#0' -o x.tnp
row "the 3-entry reference set for a K7 card" $C create-profile good.tif --corners 10,10,200,10,200,150 --reference 'Lumeno K3 Grey' -o x.tnp
row "a JPEG quality of 250 stored" $C settings set JPEGQuality 250
row "a profile folder that does not exist" $C profiles --folder /nowhere
row "a reference data file that does not exist" $C --refdata missing.dat references
row "reference data declaring -1 sets" $C --refdata neg.dat references
