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
  qt6-base-dev libqt6svg6 libtiff-dev libjpeg-dev liblcms2-dev
  libgtest-dev libbenchmark-dev
  imagemagick libtiff-tools libjpeg-turbo-progs liblcms2-utils locales
  xvfb xauth xdotool x11-utils
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
  local bin="$BUILD_DIR/bin"
  local out="$ROOT/out/main"
  rm -rf "$out"
  mkdir -p "$out/photos" "$out/converted"
  # One camera for everything: channel cross-talk and a slight encoding curve, as a real camera
  # records colours; Tintara does not know it and has to find its correction from the card.
  local camera=(--camera-matrix 0.86,0.11,0.03,0.07,0.83,0.10,0.02,0.14,0.84 --camera-gamma 1.08 --noise 1.5)

  say "Reference sets in $bin/Lumeno.dat"
  "$bin/tintara-cli" references

  say "Photographing a Lumeno K7 card with the camera: $out/card.tif"
  local clicks
  clicks=$("$bin/render-card" --size 1800x1200 --place 900,600,900,5 "${camera[@]}" -o "$out/card.tif")
  echo "the card's corners are clicked at $clicks"

  say "Creating a profile from the card: $out/camera.tnp"
  local status=0
  "$bin/tintara-cli" create-profile "$out/card.tif" --corners "$clicks" --reference "Lumeno K7 Standard (8-bit)" \
    --description "Main job camera" -o "$out/camera.tnp" || status=$?
  if [ "$status" -gt 1 ]; then
    echo "the profile was not created (exit $status)" >&2
    exit "$status"
  fi

  say "Photographing four scenes with the same camera: $out/photos"
  local i
  for i in 1 2 3 4; do
    local ext=tif
    [ $((i % 2)) -eq 0 ] && ext=jpg
    "$bin/render-card" --card none --size 1200x800 --seed "$i" "${camera[@]}" -o "$out/photos/scene$i.$ext"
  done

  say "Converting them as a batch: $out/converted"
  "$bin/tintara-cli" batch --profile "$out/camera.tnp" --dest "$out/converted" "$out"/photos/*

  say "Done. The card photograph, its profile and the report are above; the results are in $out"
  open_in_desktop_program "$bin" "$out"
}

# With a display at hand, the card photograph opens in the desktop program, left running on its own;
# without one, say how to start it.
open_in_desktop_program() {
  local bin=$1 out=$2
  if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x "$bin/tintara" ]; then
    say "Opening $out/card.tif in the desktop program (Profile > Add... loads $out/camera.tnp)"
    nohup "$bin/tintara" "$out/card.tif" >/dev/null 2>&1 &
  else
    say "No display here. On a desktop, look at the card with: $bin/tintara $out/card.tif"
  fi
}

# A locale that writes numbers with a decimal comma, so the tests can show that settings keep their
# decimal point whatever the user's locale.
ensure_comma_locale() {
  if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    say "Generating the de_DE.UTF-8 locale for the tests"
    localedef -i de_DE -f UTF-8 de_DE.UTF-8 || echo "(could not generate it; that test will be skipped)"
  fi
}

run_tests() {
  ensure_comma_locale
  say "Running the test suite"
  (cd "$BUILD_DIR" && ctest --output-on-failure -j "$JOBS")
  if [ "${TINTARA_SKIP_SANITIZE:-0}" != 1 ]; then
    # The same tests again, built with AddressSanitizer and UndefinedBehaviorSanitizer: any
    # out-of-bounds access, leak or undefined operation fails the run.
    local asan_dir="${BUILD_DIR}-asan"
    say "Configuring the sanitizer build in $asan_dir"
    cmake -S "$ROOT" -B "$asan_dir" -DCMAKE_BUILD_TYPE=Debug -DTINTARA_WERROR=ON -DTINTARA_SANITIZE=ON >/dev/null
    say "Building the sanitizer build"
    cmake --build "$asan_dir" -j "$JOBS"
    say "Running the test suite under the sanitizers"
    (cd "$asan_dir" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
      ctest --output-on-failure -j "$JOBS")
  fi
}

case "${1:-}" in
  main) install_packages; build; run_main ;;
  test) install_packages; build; run_tests ;;
  *) echo "usage: $0 main|test" >&2; exit 64 ;;
esac
