#!/usr/bin/env bash
# Builds and runs the library's examples against installed copies of the
# library, as their users would:
#   examples/c       (C, vantrel_c.h) with the CMake package and with pkg-config
#                    vantrel-c, against the static and the shared library
#   examples/python  (ctypes) against the shared library
#   examples/embed   (C++) against the shared library (scripts/check-package.sh
#                    builds it against the static one)
# Each must print what the vantrel program writes for examples/sample.chi, and
# name a faulty map line as the library does. The shared library must show
# no symbol but those of the public headers.
#
#   scripts/check-examples.sh [BUILD_DIR]
#
# BUILD_DIR (default build) gives the program and the static library; the
# shared library is built in build-shared.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
build="$(cd "${1:-build}" && pwd)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python=python3
[ -x /usr/bin/python3 ] && python=/usr/bin/python3
version=$(sed -n 's/^project(vantrel VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)

echo "-- the static library of $build, installed"
cmake --build "$build" -j2 --target vantrel vantrel_core >/dev/null
cmake --install "$build" --prefix "$work/static" --component development >/dev/null

echo "-- the shared library (BUILD_SHARED_LIBS=ON, build-shared), installed"
cmake -S . -B build-shared -DBUILD_SHARED_LIBS=ON -DVANTREL_TESTS=OFF -DVANTREL_WERROR=ON >/dev/null
cmake --build build-shared -j2 --target vantrel_shared vantrel_core >/dev/null
for component in development runtime; do
  cmake --install build-shared --prefix "$work/shared" --component $component >/dev/null
done
library=$(ls "$work"/shared/lib*/libvantrel.so)
soname=$(readelf -d "$library" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
echo "   $(basename "$(readlink -f "$library")"), soname $soname"
[ "$soname" = "libvantrel.so.0.$(echo "$version" | cut -d. -f2)" ] || [ "${version%%.*}" != 0 ] ||
  { echo "unexpected soname $soname"; exit 1; }

echo "-- the shared library shows the public interface alone"
public='vantrel::(Exception|EExternal|EIntError|ERangeError|EIntOverflow|EInOutError|EHeapException|EOutOfMemory|ByteSource|HtmlSink|MemorySource|FileSource|MemorySink|FileSink|StreamSink|Converter)\b|vantrel::(defaultMapFile|readMapText|loadMapFile|convertDocument|findRawMarkupRows|convertText|version)\b'
# (The standard library's templates made for inner types are left aside.)
inner=$(nm -DC --defined-only "$library" | cut -d' ' -f3- | grep -E '^([a-z ]* for )?vantrel' |
  grep -v -E "^([a-z ]* for )?($public)|^vantrel_(convert|free|version)$" || true)
if [ -n "$inner" ]; then echo "inner symbols exported:"; echo "$inner"; exit 1; fi
echo "   $(nm -DC --defined-only "$library" | cut -d' ' -f3- | grep -c -E '^([a-z ]* for )?vantrel') symbols, all of the public headers"

# What every example must print: the program's HTML, and for a faulty map
# file the line the library names.
mkdir "$work/doc"
cp examples/sample.chi examples/Runemap.txt "$work/doc/"
(cd "$work/doc" && "$build/vantrel" -q sample.chi)
printf 'Fn2:1\r\n/ font 7 has no page\r\n:7\r\nA\r\nx\r\n' >"$work/doc/bad.txt"
expected_error="map text:3: page number out of range: ':7' (status 2)"

# check NAME COMMAND...: COMMAND converts sample.chi as the program does and
# tells the faulty map's line.
check() {
  local name=$1 error
  shift
  "$@" "$work/doc/sample.chi" "$work/doc/Runemap.txt" >"$work/out.htm"
  cmp "$work/out.htm" "$work/doc/sample.htm" || { echo "$name: not the program's HTML"; exit 1; }
  if "$@" "$work/doc/sample.chi" "$work/doc/bad.txt" >/dev/null 2>"$work/error.txt"; then
    echo "$name: a faulty map file converted"; exit 1
  fi
  error=$(sed 's/^[^:]*: //' "$work/error.txt")
  [ "$error" = "$expected_error" ] || { echo "$name: told \"$error\""; exit 1; }
  echo "   $name: the program's HTML; \"$error\""
}

echo "-- examples/c"
for kind in static shared; do
  cmake -S examples/c -B "$work/c-$kind" -DCMAKE_PREFIX_PATH="$work/$kind" -DCMAKE_C_FLAGS="-Wall -Wextra -Wpedantic -Werror" >/dev/null
  cmake --build "$work/c-$kind" >/dev/null
  check "CMake, $kind" "$work/c-$kind/convert"
  pc=$(dirname "$(ls "$work"/$kind/lib*/pkgconfig/vantrel-c.pc)")
  # shellcheck disable=SC2046
  cc -std=c99 -Wall -Wextra -Wpedantic -Werror -o "$work/c-$kind-pc" examples/c/convert.c \
    $(PKG_CONFIG_PATH="$pc" pkg-config --cflags --libs vantrel-c)
  LD_LIBRARY_PATH="$(dirname "$library")" check "pkg-config vantrel-c, $kind" "$work/c-$kind-pc"
done
[ "$("$work/c-shared/convert" --version)" = "library $version, headers $version" ] || { echo "versions differ"; exit 1; }

echo "-- examples/python ($($python --version))"
LD_LIBRARY_PATH="$(dirname "$library")" check "ctypes" "$python" examples/python/convert.py
[ "$(LD_LIBRARY_PATH="$(dirname "$library")" "$python" examples/python/convert.py --version)" = "library $version" ] ||
  { echo "python: the library's version is not $version"; exit 1; }

echo "-- examples/embed against the shared library"
cmake -S examples/embed -B "$work/embed" -DCMAKE_PREFIX_PATH="$work/shared" >/dev/null
cmake --build "$work/embed" >/dev/null
"$work/embed/embed" | cmp - examples/embed/expected.html
echo "   prints examples/embed/expected.html"
echo "-- examples passed"
