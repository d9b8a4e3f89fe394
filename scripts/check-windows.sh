#!/usr/bin/env bash
# The Windows build: cross-compiles vantrel.exe and the portable unit tests
# with MinGW-w64 (warnings as errors), runs the unit tests under wine, and
# runs the golden cases against vantrel.exe under wine with the golden
# runner built for this system (tests/golden/golden_wrapper.h says which
# cases are skipped there, and why).
#
#   scripts/check-windows.sh               install what is missing, build, test under wine
#   scripts/check-windows.sh --build-only  install the cross compiler if missing, build; no wine
#
# Build folders: build-win (Windows), build-golden-runner (the native golden
# runner). Wine runs quietly in a prefix of its own, build-win/wineprefix.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

build_only=false
case "${1:-}" in
  --build-only) build_only=true ;;
  "") ;;
  *) echo "usage: $0 [--build-only]" >&2; exit 2 ;;
esac

install_missing() {
  local missing=()
  command -v cmake >/dev/null 2>&1 || missing+=(cmake)
  command -v make >/dev/null 2>&1 || missing+=(make)
  command -v x86_64-w64-mingw32-g++-posix >/dev/null 2>&1 || missing+=(g++-mingw-w64-x86-64-posix)
  [ -f /usr/src/googletest/CMakeLists.txt ] || missing+=(googletest)
  if ! $build_only; then
    command -v g++ >/dev/null 2>&1 || missing+=(g++)
    [ -f /usr/include/gtest/gtest.h ] || missing+=(libgtest-dev)
    [ -x /usr/lib/wine/wine64 ] || missing+=(wine64)
    command -v wine >/dev/null 2>&1 || missing+=(wine)
  fi
  if [ ${#missing[@]} -gt 0 ]; then
    echo "== installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update
    apt-get install -y --no-install-recommends "${missing[@]}"
  fi
}

cross_build() {
  echo "== Windows build (MinGW-w64, warnings as errors)"
  cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DVANTREL_WERROR=ON >/dev/null
  cmake --build build-win -j2
}

install_missing
cross_build
if $build_only; then
  echo "== Windows build done: build-win/vantrel.exe"
  exit 0
fi

export WINEPREFIX="$root/build-win/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko installer
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "== making the wine prefix"
  wine wineboot.exe --init >/dev/null 2>&1 || true
fi

echo "== unit tests under wine"
wine build-win/tests/vantrel_unit_tests.exe --gtest_brief=1

echo "== golden cases against vantrel.exe under wine"
cmake -S . -B build-golden-runner -DVANTREL_WERROR=ON >/dev/null
cmake --build build-golden-runner -j2 --target vantrel_golden_tests vantrel
VANTREL_GOLDEN_WRAPPER=wine VANTREL_GOLDEN_EXE="$root/build-win/vantrel.exe" \
  build-golden-runner/tests/vantrel_golden_tests

echo "== Windows check green"
