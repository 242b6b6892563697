#!/usr/bin/env bash
# Fuzzes one target: fuzz/run.sh NAME [SECONDS] [extra libFuzzer flags...]
#   NAME     one of the targets in fuzz/CMakeLists.txt (tiff, jpeg, icc, ...)
#   SECONDS  how long to run (default 600)
# The fuzz build (BUILD_DIR, default build-fuzz) is configured with clang and built when needed.
# The run works on a copy of fuzz/corpus/NAME in BUILD_DIR/fuzz-work/NAME/corpus, so the committed
# corpus changes only on request: with MERGE=1 the inputs of the working corpus that add coverage
# are afterwards added to fuzz/corpus/NAME (its named seeds and regression inputs stay as they are). Crashing inputs land in
# BUILD_DIR/fuzz-work/NAME/artifacts, the log in BUILD_DIR/fuzz-work/NAME/fuzz.log.
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(cd "$HERE/.." && pwd)
NAME=${1:?usage: fuzz/run.sh NAME [SECONDS] [libFuzzer flags...]}
SECONDS_TO_RUN=${2:-600}
shift $(( $# >= 2 ? 2 : 1 ))
BUILD=${BUILD_DIR:-$ROOT/build-fuzz}

if [ ! -f "$BUILD/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S "$ROOT" -B "$BUILD" -DTINTARA_FUZZ=ON -DTINTARA_BUILD_TESTS=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$BUILD" --target "${NAME}_fuzz" -j"$(nproc)" >/dev/null

WORK=$BUILD/fuzz-work/$NAME
mkdir -p "$WORK/corpus" "$WORK/artifacts"
cp -n "$HERE/corpus/$NAME"/* "$WORK/corpus/" 2>/dev/null || true
DICT=()
[ -f "$HERE/dict/$NAME.dict" ] && DICT=(-dict="$HERE/dict/$NAME.dict")
# The settings store keeps a cache of parsed files for the life of the process, so every input
# ends with more blocks allocated than it started with; the leak check that this sets off after
# every single input would cut the run to a few inputs a second.
[ "$NAME" = settings_file ] && DICT+=(-detect_leaks=0)

set +e
nice -n 10 "$BUILD/bin/${NAME}_fuzz" "${DICT[@]}" -max_total_time="$SECONDS_TO_RUN" -rss_limit_mb=2048 \
  -timeout=10 -print_final_stats=1 -artifact_prefix="$WORK/artifacts/" "$@" "$WORK/corpus" \
  >"$WORK/fuzz.log" 2>&1
STATUS=$?
set -e
grep -E '^#[0-9]+[[:space:]]+(DONE|pulse|NEW|REDUCE)' "$WORK/fuzz.log" | tail -1 || true
grep -E '^stat::' "$WORK/fuzz.log" || true
if [ $STATUS -ne 0 ]; then
  echo "$NAME: the fuzzer stopped with status $STATUS; see $WORK/fuzz.log and $WORK/artifacts/" >&2
fi

if [ "${MERGE:-0}" = 1 ]; then
  "$BUILD/bin/${NAME}_fuzz" -merge=1 -rss_limit_mb=2048 -timeout=10 "$HERE/corpus/$NAME" "$WORK/corpus" \
    >"$WORK/merge.log" 2>&1
  echo "$NAME: corpus now $(ls "$HERE/corpus/$NAME" | wc -l) files, $(du -cb "$HERE/corpus/$NAME"/* | tail -1 | cut -f1) bytes"
fi
exit $STATUS
