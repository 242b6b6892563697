#!/usr/bin/env bash
# Batch throughput: tintara-cli batch over twenty 12-megapixel TIFFs and twenty 12-megapixel JPEGs,
# and in the same run tificc (a colour-management library's TIFF converter) converting the same TIFFs
# with the same profile, one process per file as a script would drive it. Prints images per second
# and the ratios (median of three rounds each, interleaved).
#   bench/batch_bench.sh [BUILD_DIR]      (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}
CLI="$BUILD/bin/tintara-cli"
COUNT=${TINTARA_BENCH_COUNT:-20}
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export XDG_CONFIG_HOME="$WORK/config"

for tool in convert tificc; do
  command -v "$tool" >/dev/null || { echo "batch_bench: $tool is missing (apt-get install imagemagick liblcms2-utils)" >&2; exit 2; }
done

echo "preparing $COUNT TIFFs and $COUNT JPEGs of 4000 x 3000 pixels in $WORK"
mkdir -p "$WORK/in" "$WORK/out-tif" "$WORK/out-jpg" "$WORK/out-tificc"
# A smooth photograph-like picture with grain, so the JPEGs compress as real photographs do.
convert -size 4000x3000 gradient:'#203040-#e0c090' -attenuate 0.15 +noise Gaussian -depth 8 -type TrueColor \
  -compress none "$WORK/base.tif"
convert "$WORK/base.tif" -quality 90 "$WORK/base.jpg"
for i in $(seq -w 1 "$COUNT"); do
  cp "$WORK/base.tif" "$WORK/in/photo$i.tif"
  cp "$WORK/base.jpg" "$WORK/in/photo$i.jpg"
done
"$CLI" fit --samples data/sample-measurement.json --reference '#0' -o "$WORK/camera.tnp" >/dev/null

seconds() { date +%s.%N; }
rate() { awk -v n="$1" -v t="$2" 'BEGIN { printf "%.2f", n / t }'; }
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# One timed run: empties the output folder and flushes earlier writes to the disk first, so no run
# pays for another's write-back.
timed() {
  local out=$1; shift
  rm -rf "${out:?}"/*
  sync
  local start
  start=$(seconds)
  "$@" >/dev/null
  awk -v a="$start" -v b="$(seconds)" 'BEGIN { print b - a }'
}
tificc_all() {
  local f
  for f in "$WORK"/in/*.tif; do tificc -i"$WORK/camera.tnp" "$f" "$WORK/out-tificc/$(basename "$f")" 2>/dev/null; done
}

ROUNDS=${TINTARA_BENCH_ROUNDS:-3}
tif_times=() jpg_times=() tificc_times=()
for round in $(seq "$ROUNDS"); do
  tif_times+=("$(timed "$WORK/out-tif" "$CLI" batch --profile "$WORK/camera.tnp" --dest "$WORK/out-tif" "$WORK"/in/*.tif)")
  jpg_times+=("$(timed "$WORK/out-jpg" "$CLI" batch --profile "$WORK/camera.tnp" --dest "$WORK/out-jpg" "$WORK"/in/*.jpg)")
  tificc_times+=("$(timed "$WORK/out-tificc" tificc_all)")
done
tif_time=$(median "${tif_times[@]}")
jpg_time=$(median "${jpg_times[@]}")
tificc_time=$(median "${tificc_times[@]}")
echo "runs (s): TIFF ${tif_times[*]}; JPEG ${jpg_times[*]}; tificc ${tificc_times[*]}"

tif_rate=$(rate "$COUNT" "$tif_time")
jpg_rate=$(rate "$COUNT" "$jpg_time")
tificc_rate=$(rate "$COUNT" "$tificc_time")
echo
printf '%-34s %8s s  %8s images/s\n' "tintara-cli batch, TIFF" "$tif_time" "$tif_rate"
printf '%-34s %8s s  %8s images/s\n' "tintara-cli batch, JPEG (q 90)" "$jpg_time" "$jpg_rate"
printf '%-34s %8s s  %8s images/s\n' "tificc, TIFF, one file per run" "$tificc_time" "$tificc_rate"
echo "ratio TIFF: tintara / tificc = $(awk -v a="$tif_rate" -v b="$tificc_rate" 'BEGIN { printf "%.2f", a / b }')"
