#!/usr/bin/env bash
# Every speed comparison in one go. First the pixel work, on one core: ApplyProfile against the
# colour-management library's cmsDoTransform and against memcpy, the screen bitmap fill (plain and
# through a profile's preview) and the quarter turn against memcpy, each on random pixels and on a
# photograph-like image. Then, unless --pixels-only, the batch throughput of bench/batch_bench.sh
# (TIFF and JPEG against tificc, jpgicc and djpeg | cjpeg, and the scaling over cores), with the
# tintara-cli of the same build; it takes some minutes.
#
#   bench/run.sh [-n ROUNDS] [-c CPU] [--vs OTHER_BENCH] [--pixels-only] [BENCH]
#
# BENCH is apply_profile_bench (default build/bin/apply_profile_bench). The program runs ROUNDS
# times (default 5) pinned to processor CPU (default 0); every ratio is taken within one round, so
# a machine that speeds up or slows down between rounds moves both sides alike, and each is printed
# as the median of the rounds with their smallest and largest. With --vs, OTHER_BENCH (an earlier
# build of the same program) runs in every round too, alternately first and second, and each case
# is also printed as this build's speed over the other's.
# Needs taskset (util-linux) and python3.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
rounds=5
cpu=0
other=""
pixelsOnly=no
bench="$here/../build/bin/apply_profile_bench"
while [ $# -gt 0 ]; do
  case "$1" in
    -n) rounds="$2"; shift 2 ;;
    -c) cpu="$2"; shift 2 ;;
    --vs) other="$2"; shift 2 ;;
    --pixels-only) pixelsOnly=yes; shift ;;
    *) bench="$1"; shift ;;
  esac
done
[ -x "$bench" ] || { echo "no benchmark program at $bench (build the apply_profile_bench target)" >&2; exit 64; }
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT

run() {  # run PROGRAM JSON_FILE
  taskset -c "$cpu" "$1" --benchmark_format=json --benchmark_min_time=0.5 >"$2" 2>/dev/null
}
echo "$(date -u +%F), $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), pinned to processor $cpu, $rounds rounds"
for ((i = 1; i <= rounds; i++)); do
  if [ -n "$other" ] && [ $((i % 2)) -eq 0 ]; then
    run "$other" "$out/other$i.json"
    run "$bench" "$out/this$i.json"
  else
    run "$bench" "$out/this$i.json"
    [ -z "$other" ] || run "$other" "$out/other$i.json"
  fi
  echo "round $i of $rounds done" >&2
done

python3 - "$out" "$rounds" "$([ -n "$other" ] && echo yes || echo no)" <<'EOF'
import json, statistics, sys
folder, rounds, vs = sys.argv[1], int(sys.argv[2]), sys.argv[3] == "yes"

def load(name):
    with open(f"{folder}/{name}.json") as f:
        data = json.load(f)
    # Megapixels a second by wall-clock time, per case ("BM_ApplyProfile/0" ...).
    return {b["run_name"].split("/min_time")[0]: b["MP/s"]
            for b in data["benchmarks"] if "MP/s" in b}

this = [load(f"this{i}") for i in range(1, rounds + 1)]
other = [load(f"other{i}") for i in range(1, rounds + 1)] if vs else None

def spread(values):
    return f"{statistics.median(values):8.2f}  ({min(values):.2f} .. {max(values):.2f})"

images = {"0": "random", "1": "photo"}
print("\nMP/s on one core, median of the rounds (smallest .. largest):")
for case in this[0]:
    name, image = case.split("/")
    print(f"  {name:24s} {images[image]:7s} {spread([r[case] for r in this])}")

ratios = [("ApplyProfile / cmsDoTransform", "BM_ApplyProfile", "BM_LcmsTransform"),
          ("ApplyProfile / memcpy", "BM_ApplyProfile", "BM_Memcpy"),
          ("display fill / memcpy", "BM_DisplayFill", "BM_Memcpy"),
          ("display fill with preview / memcpy", "BM_DisplayFillPreview", "BM_Memcpy"),
          ("quarter turn / memcpy", "BM_RotateClockwise", "BM_Memcpy")]
print("\nratios of speeds within each round, median (smallest .. largest):")
for label, a, b in ratios:
    for image in ("0", "1"):
        values = [r[f"{a}/{image}"] / r[f"{b}/{image}"] for r in this]
        print(f"  {label:36s} {images[image]:7s} {spread(values)}")
if vs:
    print("\nthis build's speed over the other's, same round:")
    for case in this[0]:
        if all(case in r for r in other):
            name, image = case.split("/")
            values = [t[case] / o[case] for t, o in zip(this, other)]
            print(f"  {name:24s} {images[image]:7s} {spread(values)}")
EOF

if [ "$pixelsOnly" = no ]; then
  echo
  echo "batch throughput (bench/batch_bench.sh):"
  "$here/batch_bench.sh" "$(cd "$(dirname "$bench")/.." && pwd)"
fi
