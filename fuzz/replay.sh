#!/usr/bin/env bash
# Runs every fuzz target once over each file of its committed corpus and fails on any crash, hang
# (over 10 s for one input) or broken promise. For CI; needs no test framework.
#   fuzz/replay.sh [BUILD_DIR]     (default: build-fuzz beside this folder)
# BUILD_DIR is configured with clang and TINTARA_FUZZ=ON when it does not exist yet, and the fuzz
# targets are (re)built in it.
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(cd "$HERE/.." && pwd)
BUILD=${1:-$ROOT/build-fuzz}

if [ ! -f "$BUILD/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S "$ROOT" -B "$BUILD" -DTINTARA_FUZZ=ON -DTINTARA_BUILD_TESTS=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$BUILD" --target fuzz_targets -j"$(nproc)"

TARGETS=$(sed -n '/^set(TINTARA_FUZZ_TARGETS/,/^)/{/^  /p}' "$HERE/CMakeLists.txt")
failed=()
for name in $TARGETS; do
  corpus=$HERE/corpus/$name
  start=$(date +%s%N)
  # -runs=0: run the corpus and stop. The readers' own messages go to the log; on failure its end
  # is shown.
  if "$BUILD/bin/${name}_fuzz" -runs=0 -rss_limit_mb=2048 -timeout=10 "$corpus" >"$BUILD/replay-$name.log" 2>&1; then
    ms=$(( ($(date +%s%N) - start) / 1000000 ))
    printf '%-16s ok  %4d inputs  %6d ms\n' "$name" "$(ls "$corpus" | wc -l)" "$ms"
  else
    printf '%-16s FAILED (log: %s)\n' "$name" "$BUILD/replay-$name.log"
    tail -40 "$BUILD/replay-$name.log"
    failed+=("$name")
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "replay failed for: ${failed[*]}"
  exit 1
fi
echo "replay: every corpus ran clean"
