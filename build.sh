#!/usr/bin/env bash
# Sets up a Debian 12 machine for Tintara, builds it, and runs either its main job or its tests.
#   ./build.sh main   install what is missing, build, run Tintara's main job
#   ./build.sh test   install what is missing, build, run the whole test suite
# Both are safe to run again: packages already present are not reinstalled and the build is incremental.
set -euo pipefail

cd "$(dirname "$0")"
ROOT=$(pwd)
BUILD_DIR=${TINTARA_BUILD_DIR:-$ROOT/build}
JOBS=${TINTARA_JOBS:-$(nproc 2>/dev/null || echo 2)}

PACKAGES=(
  build-essential cmake pkg-config ccache
  qt6-base-dev libtiff-dev libjpeg-dev liblcms2-dev
  libgtest-dev libbenchmark-dev
  imagemagick libtiff-tools libjpeg-turbo-progs liblcms2-utils
)

say() { printf '\n==> %s\n' "$*"; }

install_packages() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$p")
    fi
  done
  if [ ${#missing[@]} -eq 0 ]; then
    say "Debian packages: all present"
    return
  fi
  say "Installing Debian packages: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

build() {
  say "Configuring in $BUILD_DIR"
  cmake -S "$ROOT" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTINTARA_WERROR=ON >/dev/null
  say "Building with $JOBS jobs"
  cmake --build "$BUILD_DIR" -j "$JOBS"
}

run_main() {
  local cli="$BUILD_DIR/bin/tintara-cli"
  local out="$ROOT/out"
  mkdir -p "$out"
  say "Reference sets in $BUILD_DIR/bin/Lumeno.dat"
  "$cli" references
  say "Fitting a profile to the sample measurement data/sample-measurement.json"
  local status=0
  "$cli" fit --samples "$ROOT/data/sample-measurement.json" --reference "Lumeno K7 Standard (8-bit)" \
    --description "Sample camera, Lumeno K7 Standard" -o "$out/sample.tnp" || status=$?
  if [ "$status" -gt 1 ]; then
    echo "the fit failed (exit $status)" >&2
    exit "$status"
  fi
  say "The profile written to $out/sample.tnp"
  "$cli" profile-info "$out/sample.tnp"
}

run_tests() {
  say "Running the test suite"
  cd "$BUILD_DIR"
  ctest --output-on-failure -j "$JOBS"
}

case "${1:-}" in
  main) install_packages; build; run_main ;;
  test) install_packages; build; run_tests ;;
  *) echo "usage: $0 main|test" >&2; exit 64 ;;
esac
