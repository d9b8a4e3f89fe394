#!/usr/bin/env bash
# The aarch64 build: cross-compiles vantrel and the unit tests with Debian's
# g++-aarch64-linux-gnu (warnings as errors), runs the unit tests under
# qemu-user (the NEON kernel among them), and runs the golden cases against
# the aarch64 program under qemu-user with each of its kernels forced, from
# the golden runner built for this system.
#
#   scripts/check-aarch64.sh
#
# Build folders: build-arm (aarch64), build-golden-runner (the native runner).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

missing=()
command -v aarch64-linux-gnu-g++ >/dev/null 2>&1 || missing+=(g++-aarch64-linux-gnu)
command -v qemu-aarch64 >/dev/null 2>&1 || missing+=(qemu-user)
[ -f /usr/src/googletest/CMakeLists.txt ] || missing+=(googletest)
command -v g++ >/dev/null 2>&1 || missing+=(g++)
command -v cmake >/dev/null 2>&1 || missing+=(cmake)
[ -f /usr/include/gtest/gtest.h ] || missing+=(libgtest-dev)
if [ ${#missing[@]} -gt 0 ]; then
  echo "== installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
fi

echo "== aarch64 build (warnings as errors)"
cmake -S . -B build-arm -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake -DVANTREL_WERROR=ON >/dev/null
cmake --build build-arm -j2 --target vantrel vantrel_unit_tests

echo "== unit tests under qemu-user"
qemu-aarch64 build-arm/tests/vantrel_unit_tests --gtest_brief=1

echo "== golden cases against the aarch64 program under qemu-user, each kernel forced"
cmake -S . -B build-golden-runner -DVANTREL_WERROR=ON >/dev/null
cmake --build build-golden-runner -j2 --target vantrel_golden_tests vantrel
for kernel in scalar neon; do
  echo "-- $kernel"
  VANTREL_KERNEL=$kernel VANTREL_GOLDEN_WRAPPER=qemu-aarch64 VANTREL_GOLDEN_EXE="$root/build-arm/vantrel" \
    build-golden-runner/tests/vantrel_golden_tests --gtest_brief=1
done

echo "== aarch64 check green"
