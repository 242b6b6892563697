#!/usr/bin/env bash
# Batch throughput: tintara-cli batch over twenty 12-megapixel TIFFs and twenty 12-megapixel JPEGs,
# and in the same run tificc (a colour-management library's TIFF converter) converting the same TIFFs
# with the same profile, one process per file as a script would drive it. Prints images per second
# and the ratios.
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

sync
start=$(seconds)
"$CLI" batch --profile "$WORK/camera.tnp" --dest "$WORK/out-tif" "$WORK"/in/*.tif >/dev/null
tif_time=$(awk -v a="$start" -v b="$(seconds)" 'BEGIN { print b - a }')

start=$(seconds)
"$CLI" batch --profile "$WORK/camera.tnp" --dest "$WORK/out-jpg" "$WORK"/in/*.jpg >/dev/null
jpg_time=$(awk -v a="$start" -v b="$(seconds)" 'BEGIN { print b - a }')

start=$(seconds)
for f in "$WORK"/in/*.tif; do
  tificc -i"$WORK/camera.tnp" "$f" "$WORK/out-tificc/$(basename "$f")"
done
tificc_time=$(awk -v a="$start" -v b="$(seconds)" 'BEGIN { print b - a }')

tif_rate=$(rate "$COUNT" "$tif_time")
jpg_rate=$(rate "$COUNT" "$jpg_time")
tificc_rate=$(rate "$COUNT" "$tificc_time")
echo
printf '%-34s %8s s  %8s images/s\n' "tintara-cli batch, TIFF" "$tif_time" "$tif_rate"
printf '%-34s %8s s  %8s images/s\n' "tintara-cli batch, JPEG (q 90)" "$jpg_time" "$jpg_rate"
printf '%-34s %8s s  %8s images/s\n' "tificc, TIFF, one file per run" "$tificc_time" "$tificc_rate"
echo "ratio TIFF: tintara / tificc = $(awk -v a="$tif_rate" -v b="$tificc_rate" 'BEGIN { printf "%.2f", a / b }')"
