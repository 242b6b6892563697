#!/usr/bin/env bash
# Batch throughput, on a RAM disk (/dev/shm) and on the disk, every comparison in one run:
#   TIFF: tintara-cli batch --jobs 1 and --jobs 2 against tificc (a colour-management library's TIFF
#         converter) run once per file as a script would drive it;
#   JPEG: the same two batches against jpgicc in a loop (same profile, quality 90) and against a
#         plain djpeg | cjpeg -quality 90 of each file (decoding and encoding only, in two processes);
#   scaling: --jobs 2 over --jobs 1, beside what two independent --jobs 1 processes (each over half
#         the files, at once) give over one process over all of them.
# Each round runs every command once, in turn, and every ratio is taken within its round; printed
# is the median of the rounds with the smallest and largest. The outputs of --jobs 1 and --jobs 2
# are compared byte for byte.
#   bench/batch_bench.sh [BUILD_DIR]      (default: build)
#   TINTARA_BENCH_COUNT (10 files of each kind), TINTARA_BENCH_ROUNDS (5),
#   TINTARA_BENCH_PLACES ("/dev/shm disk": where the files are; "disk" is a folder under $TMPDIR)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}
case "$BUILD" in /*) ;; *) BUILD="$(pwd)/$BUILD" ;; esac
CLI="$BUILD/bin/tintara-cli"
CARD="$BUILD/bin/render-card"
COUNT=${TINTARA_BENCH_COUNT:-10}
ROUNDS=${TINTARA_BENCH_ROUNDS:-5}
PLACES=${TINTARA_BENCH_PLACES:-/dev/shm disk}
[ "$COUNT" -ge 2 ] || { echo "batch_bench: TINTARA_BENCH_COUNT must be at least 2" >&2; exit 64; }

for tool in tificc jpgicc djpeg cjpeg python3 "$CLI" "$CARD"; do
  command -v "$tool" >/dev/null || { echo "batch_bench: $tool is missing (build tintara-cli and render-card; apt-get install liblcms2-utils libjpeg-turbo-progs)" >&2; exit 2; }
done

WORKS=()
cleanup() { local w; for w in "${WORKS[@]}"; do rm -rf "$w"; done; }
trap cleanup EXIT
SOURCE=$(mktemp -d)
WORKS+=("$SOURCE")
export XDG_CONFIG_HOME="$SOURCE/config"

echo "$(date -u '+%F %H:%M'), $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "preparing $COUNT TIFFs and $COUNT JPEGs (quality 90) of 4000 x 3000 pixels"
# A photograph without a card: smooth light fall-off with grain, so the JPEGs compress as real
# photographs do. Each file is its own picture (its own grain), as in a real shoot.
for i in $(seq -w 1 "$COUNT"); do
  "$CARD" --card none --size 4000x3000 --noise 3 --light 0.3 --seed "$i" -o "$SOURCE/photo$i.tif" >/dev/null
  "$CARD" --card none --size 4000x3000 --noise 3 --light 0.3 --seed "$i" --quality 90 -o "$SOURCE/photo$i.jpg" >/dev/null
done
"$CLI" fit --samples data/sample-measurement.json --reference '#0' -o "$SOURCE/camera.tnp" >/dev/null

now() { date +%s.%N; }

# One timed run of a shell function, after emptying its output folder and flushing earlier writes to
# the disk, so no run pays for another's write-back.
timed() {
  local out=$1; shift
  rm -rf "${out:?}"/*
  sync
  local start
  start=$(now)
  "$@" >/dev/null
  awk -v a="$start" -v b="$(now)" 'BEGIN { printf "%.4f\n", b - a }'
}

run_place() {
  local place=$1 work
  if [ "$place" = disk ]; then work=$(mktemp -d); else work=$(mktemp -d -p "$place"); fi
  WORKS+=("$work")
  mkdir -p "$work/in" "$work/out"
  cp "$SOURCE"/photo* "$SOURCE/camera.tnp" "$work/in/"
  local P="$work/in/camera.tnp" O="$work/out"
  local tifs=("$work"/in/*.tif) jpgs=("$work"/in/*.jpg)
  local half=$((COUNT / 2))

  batch() { "$CLI" batch --profile "$P" --dest "$O" --jobs "$@"; }
  tif1() { batch 1 "${tifs[@]}"; }
  tif2() { batch 2 "${tifs[@]}"; }
  tifhalves() {  # two independent one-job processes at once, each over half the files
    batch 1 "${tifs[@]:0:half}" & batch 1 "${tifs[@]:half}"; wait
  }
  tificc_all() { local f; for f in "${tifs[@]}"; do tificc -i"$P" "$f" "$O/$(basename "$f")" 2>/dev/null; done; }
  jpg1() { batch 1 "${jpgs[@]}"; }
  jpg2() { batch 2 "${jpgs[@]}"; }
  jpghalves() { batch 1 "${jpgs[@]:0:half}" & batch 1 "${jpgs[@]:half}"; wait; }
  jpgicc_all() { local f; for f in "${jpgs[@]}"; do jpgicc -i"$P" -q90 "$f" "$O/$(basename "$f")" 2>/dev/null; done; }
  djpeg_cjpeg_all() { local f; for f in "${jpgs[@]}"; do djpeg "$f" | cjpeg -quality 90 >"$O/$(basename "$f")"; done; }

  # The same files, one job and two: every output byte alike.
  mkdir -p "$work/one" "$work/two"
  "$CLI" batch --profile "$P" --dest "$work/one" --jobs 1 "${tifs[@]}" "${jpgs[@]}" >/dev/null
  "$CLI" batch --profile "$P" --dest "$work/two" --jobs 2 "${tifs[@]}" "${jpgs[@]}" >/dev/null
  if diff -r "$work/one" "$work/two" >/dev/null; then same="alike"; else same="DIFFERENT"; fi
  rm -rf "$work/one" "$work/two"

  local names=(tif1 tif2 tifhalves tificc_all jpg1 jpg2 jpghalves jpgicc_all djpeg_cjpeg_all)
  local times="$work/times" name round
  : >"$times"
  for round in $(seq "$ROUNDS"); do
    for name in "${names[@]}"; do echo "$round $name $(timed "$O" "$name")" >>"$times"; done
    echo "  $place: round $round of $ROUNDS done" >&2
  done
  echo
  echo "== $place ($COUNT files of each kind, $ROUNDS rounds; outputs of --jobs 1 and --jobs 2 $same; load after: $(cut -d' ' -f1-3 /proc/loadavg))"
  python3 - "$times" "$COUNT" <<'EOF'
import collections, statistics, sys
rounds = collections.defaultdict(dict)
for line in open(sys.argv[1]):
    r, name, t = line.split()
    rounds[int(r)][name] = float(t)
count = int(sys.argv[2])
runs = [rounds[r] for r in sorted(rounds)]

def spread(values):
    return f"{statistics.median(values):6.2f}  [{min(values):.2f} .. {max(values):.2f}]"

labels = {
    "tif1": "batch --jobs 1, TIFF", "tif2": "batch --jobs 2, TIFF",
    "tifhalves": "two --jobs 1 at once, TIFF", "tificc_all": "tificc, one run per TIFF",
    "jpg1": "batch --jobs 1, JPEG", "jpg2": "batch --jobs 2, JPEG",
    "jpghalves": "two --jobs 1 at once, JPEG", "jpgicc_all": "jpgicc, one run per JPEG",
    "djpeg_cjpeg_all": "djpeg | cjpeg, per JPEG",
}
print(f"{'images/s, median [min .. max]':34s}")
for name, label in labels.items():
    print(f"  {label:32s} {spread([count / run[name] for run in runs])}")
print("ratios within each round (A faster than B by), median [min .. max]")
for a, b, label in [
    ("tif1", "tificc_all", "TIFF --jobs 1 / tificc"),
    ("tif2", "tificc_all", "TIFF --jobs 2 / tificc"),
    ("jpg1", "jpgicc_all", "JPEG --jobs 1 / jpgicc"),
    ("jpg2", "jpgicc_all", "JPEG --jobs 2 / jpgicc"),
    ("jpg1", "djpeg_cjpeg_all", "JPEG --jobs 1 / djpeg|cjpeg"),
    ("jpg2", "djpeg_cjpeg_all", "JPEG --jobs 2 / djpeg|cjpeg"),
    ("tif2", "tif1", "TIFF --jobs 2 / --jobs 1"),
    ("tifhalves", "tif1", "TIFF two processes / one"),
    ("jpg2", "jpg1", "JPEG --jobs 2 / --jobs 1"),
    ("jpghalves", "jpg1", "JPEG two processes / one"),
]:
    print(f"  {label:32s} {spread([run[b] / run[a] for run in runs])}")
EOF
}

for place in $PLACES; do run_place "$place"; done
