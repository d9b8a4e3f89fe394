#!/usr/bin/env bash
# Checks what users install: the manual page renders without a warning,
# `cmake --install` into a temporary prefix gives the program, the manual page
# and the example, and the Debian package from `cpack -G DEB` installs, converts
# the example byte for byte as the build does, and shows `man vantrel`.
# The package is removed again at the end.
#
#   scripts/check-package.sh [--no-deb-install]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
install_deb=1
[ "${1:-}" = "--no-deb-install" ] && install_deb=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

build="$root/build-package"
cmake -S . -B "$build" -DVANTREL_TESTS=OFF -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
cmake --build "$build" -j2 --target vantrel vantrel_core >/dev/null

echo "-- manual page: groff -man -Tutf8 -ww"
warnings=$(groff -man -Tutf8 -ww "$build/vantrel.1" 2>&1 >/dev/null)
if [ -n "$warnings" ]; then echo "$warnings"; exit 1; fi
grep -q "^\\.TH VANTREL 1 .*\"Vantrel $(sed -n 's/^project(vantrel VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)\"" "$build/vantrel.1" ||
  { echo "the manual page does not carry the project's version"; exit 1; }

echo "-- cmake --install into a temporary prefix"
cmake --install "$build" --prefix "$work/prefix" >/dev/null
expected="bin/vantrel
include/vantrel/char_map.h
include/vantrel/faults.h
include/vantrel/streams.h
include/vantrel/vantrel.h
lib/cmake/vantrel/vantrelConfig.cmake
lib/cmake/vantrel/vantrelConfigVersion.cmake
lib/cmake/vantrel/vantrelTargets-release.cmake
lib/cmake/vantrel/vantrelTargets.cmake
lib/libvantrel.a
lib/pkgconfig/vantrel.pc
share/doc/vantrel/CHANGELOG.md
share/doc/vantrel/README.md
share/doc/vantrel/Runemap.txt
share/doc/vantrel/copyright
share/doc/vantrel/sample.chi
share/man/man1/vantrel.1"
# With the prefix /usr the libraries go to Debian's multiarch folder (lib/<triplet>).
found=$(cd "$work/prefix" && find . -type f | sed 's|^\./||; s|^lib/[a-z0-9_]*-linux-gnu/|lib/|' | LC_ALL=C sort)
libdir=$(dirname "$(find "$work/prefix" -name libvantrel.a)")
if [ "$found" != "$expected" ]; then
  echo "installed files differ from the expected ones:"
  diff <(echo "$expected") <(echo "$found") || true
  exit 1
fi
echo "$found" | sed 's/^/   /'

echo "-- examples/embed against the installed library (find_package and pkg-config)"
cmake -S examples/embed -B "$work/embed" -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
cmake --build "$work/embed" >/dev/null
"$work/embed/embed" | cmp - examples/embed/expected.html
# shellcheck disable=SC2046
c++ -std=c++20 -o "$work/embed-pc" examples/embed/embed.cpp \
  $(PKG_CONFIG_PATH="$libdir/pkgconfig" pkg-config --cflags --libs vantrel)
"$work/embed-pc" | cmp - examples/embed/expected.html
echo "   both builds print examples/embed/expected.html"

# The example converted by the build, to compare the installed program with.
mkdir -p "$work/reference" "$work/installed"
cp examples/sample.chi examples/Runemap.txt "$work/reference/"
(cd "$work/reference" && "$build/vantrel" sample.chi >stdout)

echo "-- cpack -G DEB"
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/vantrel_*.deb)
echo "   $(basename "$deb"): $(dpkg-deb -f "$deb" Version), depends on $(dpkg-deb -f "$deb" Depends)"
[ "$install_deb" = 1 ] || exit 0

echo "-- apt-get install ./$(basename "$deb")"
export DEBIAN_FRONTEND=noninteractive
apt-get install -y "$deb" >/dev/null
trap 'apt-get remove -y vantrel >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
cp /usr/share/doc/vantrel/sample.chi /usr/share/doc/vantrel/Runemap.txt "$work/installed/"
(cd "$work/installed" && vantrel sample.chi >stdout)
cmp "$work/reference/sample.htm" "$work/installed/sample.htm"
cmp "$work/reference/stdout" "$work/installed/stdout"
echo "   $(command -v vantrel) converts the example as the build does"
page=$(MANPAGER=cat MANWIDTH=80 man vantrel 2>&1)
echo "$page" | grep -q '^NAME' || { echo "man vantrel shows no page:"; echo "$page" | head; exit 1; }
echo "   man vantrel: $(echo "$page" | sed -n '/^NAME/{n;p;q}' | sed 's/^ *//')"
echo "-- package checks passed"
