#!/usr/bin/env bash
# Checks what users install, from a build with the shared library
# (BUILD_SHARED_LIBS=ON, as a distribution builds it): the manual page
# renders without a warning, in the tree (man -l man/vantrel.1) and as
# built; `cmake --install` into a temporary prefix gives the expected files,
# and a program builds against them through the CMake package and through
# pkg-config without naming a C++ standard; `cpack -G DEB` makes the packages
# vantrel, libvantrel-dev and the shared library's, on which lintian finds no
# error; they install, convert the example byte for byte as the build does,
# and show `man vantrel`. The packages are removed again at the end.
#
#   scripts/check-package.sh [--no-deb-install]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
install_deb=1
[ "${1:-}" = "--no-deb-install" ] && install_deb=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
version=$(sed -n 's/^project(vantrel VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)

build="$root/build-package"
cmake -S . -B "$build" -DVANTREL_TESTS=OFF -DBUILD_SHARED_LIBS=ON -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
cmake --build "$build" -j2 --target vantrel vantrel_core vantrel_shared >/dev/null
# The shared library's version in its name: the major version, 0.<minor> before 1.0.
soversion=${version%%.*}
[ "$soversion" != 0 ] || soversion=0.$(echo "$version" | cut -d. -f2)

echo "-- manual page: groff -man -Tutf8 -ww, in the tree and as built"
for page in man/vantrel.1 "$build/vantrel.1"; do
  warnings=$(groff -man -Tutf8 -ww "$page" 2>&1 >/dev/null)
  if [ -n "$warnings" ]; then echo "$page: $warnings"; exit 1; fi
done
grep -q "^\\.TH VANTREL 1 .*\"Vantrel $version\"" "$build/vantrel.1" ||
  { echo "the built manual page does not carry the project's version"; exit 1; }
MANPAGER=cat MANWIDTH=80 man -l man/vantrel.1 2>/dev/null | grep -q '^NAME' || { echo "man -l man/vantrel.1 fails"; exit 1; }
echo "   man -l man/vantrel.1 shows the page; the installed one says \"Vantrel $version\""

echo "-- cmake --install into a temporary prefix"
cmake --install "$build" --prefix "$work/prefix" >/dev/null
expected="bin/vantrel
include/vantrel/char_map.h
include/vantrel/export.h
include/vantrel/faults.h
include/vantrel/streams.h
include/vantrel/vantrel.h
include/vantrel/vantrel_c.h
include/vantrel/version.h
lib/cmake/vantrel/vantrelConfig.cmake
lib/cmake/vantrel/vantrelConfigVersion.cmake
lib/cmake/vantrel/vantrelTargets-release.cmake
lib/cmake/vantrel/vantrelTargets.cmake
lib/libvantrel.a
lib/libvantrel.so
lib/libvantrel.so.$soversion
lib/libvantrel.so.$version
lib/pkgconfig/vantrel-c.pc
lib/pkgconfig/vantrel.pc
share/doc/libvantrel-dev/changelog.Debian.gz
share/doc/libvantrel-dev/changelog.gz
share/doc/libvantrel-dev/copyright
share/doc/libvantrel$soversion/changelog.Debian.gz
share/doc/libvantrel$soversion/changelog.gz
share/doc/libvantrel$soversion/copyright
share/doc/vantrel/Runemap.txt
share/doc/vantrel/changelog.Debian.gz
share/doc/vantrel/changelog.gz
share/doc/vantrel/copyright
share/doc/vantrel/sample.chi
share/man/man1/vantrel.1.gz"
# With the prefix /usr the libraries go to Debian's multiarch folder (lib/<triplet>).
found=$(cd "$work/prefix" && find . -type f -o -type l | sed 's|^\./||; s|^lib/[a-z0-9_]*-linux-gnu/|lib/|' |
  LC_ALL=C sort)
libdir=$(dirname "$(find "$work/prefix" -name libvantrel.a)")
if [ "$found" != "$expected" ]; then
  echo "installed files differ from the expected ones:"
  diff <(echo "$expected") <(echo "$found") || true
  exit 1
fi
echo "$found" | sed 's/^/   /'

echo "-- examples/embed against the installed library (CMake package, pkg-config), no standard named"
cmake -S examples/embed -B "$work/embed" -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
cmake --build "$work/embed" >/dev/null
"$work/embed/embed" | cmp - examples/embed/expected.html
# shellcheck disable=SC2046
c++ -o "$work/embed-pc" examples/embed/embed.cpp $(PKG_CONFIG_PATH="$libdir/pkgconfig" pkg-config --cflags --libs vantrel)
LD_LIBRARY_PATH="$libdir" "$work/embed-pc" | cmp - examples/embed/expected.html
# shellcheck disable=SC2046
c++ -o "$work/embed-static" examples/embed/embed.cpp \
  $(PKG_CONFIG_PATH="$libdir/pkgconfig" pkg-config --cflags vantrel) "$libdir/libvantrel.a" -pthread
"$work/embed-static" | cmp - examples/embed/expected.html
echo "   the CMake build, the pkg-config build and one with libvantrel.a print examples/embed/expected.html"

# The example converted by the build, to compare the installed program with.
mkdir -p "$work/reference" "$work/installed"
cp examples/sample.chi examples/Runemap.txt "$work/reference/"
(cd "$work/reference" && "$build/vantrel" sample.chi >stdout)

echo "-- cpack -G DEB"
rm -f "$build"/*.deb
(cd "$build" && cpack -G DEB >/dev/null)
debs=("$build"/vantrel_*.deb "$build"/libvantrel-dev_*.deb "$build"/libvantrel"$soversion"_*.deb)
for deb in "${debs[@]}"; do
  echo "   $(basename "$deb"): $(dpkg-deb -f "$deb" Section), depends on $(dpkg-deb -f "$deb" Depends)"
  dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print "     " $6 ($7 ? " " $7 " " $8 : "")}'
done

echo "-- lintian: no error"
# Errors fail the check; warnings are shown.
status=0
lintian --fail-on error "${debs[@]}" >"$work/lintian.txt" 2>&1 || status=$?
grep -v "running with root privileges" "$work/lintian.txt" | sed 's/^/   /' || true
[ "$status" = 0 ] || { echo "lintian found errors"; exit 1; }
echo "   $(basename -a "${debs[@]}" | tr '\n' ' ')"
[ "$install_deb" = 1 ] || exit 0

echo "-- apt-get install the packages"
export DEBIAN_FRONTEND=noninteractive
apt-get install -y "${debs[@]}" >/dev/null
trap 'apt-get purge -y vantrel libvantrel-dev libvantrel"$soversion" >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
cp /usr/share/doc/vantrel/sample.chi /usr/share/doc/vantrel/Runemap.txt "$work/installed/"
(cd "$work/installed" && vantrel sample.chi >stdout)
cmp "$work/reference/sample.htm" "$work/installed/sample.htm"
cmp "$work/reference/stdout" "$work/installed/stdout"
echo "   $(command -v vantrel) converts the example as the build does"
page=$(MANPAGER=cat MANWIDTH=80 man vantrel 2>&1)
echo "$page" | grep -q '^NAME' || { echo "man vantrel shows no page:"; echo "$page" | head; exit 1; }
echo "   man vantrel: $(echo "$page" | sed -n '/^NAME/{n;p;q}' | sed 's/^ *//')"
# A program built against the installed packages, as their users build one.
c++ -o "$work/embed-installed" examples/embed/embed.cpp $(pkg-config --cflags --libs vantrel)
"$work/embed-installed" | cmp - examples/embed/expected.html
echo "   a program built with pkg-config vantrel against the packages runs"
echo "-- package checks passed"
