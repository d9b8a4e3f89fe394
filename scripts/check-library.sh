#!/usr/bin/env bash
# Checks the shape of the converter library in a build folder (default build):
# the converter, character-map and kernel objects hold no writable
# namespace-scope data (every conversion's state is the caller's; the one
# exception is the kernel the process chose, set once), and a conversion reads
# its document with plain reads, never mapping it.
#
#   scripts/check-library.sh [BUILD_DIR]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
objects="$build/src/CMakeFiles/vantrel_core.dir"

echo "-- writable data in convert/, charmap/ and kernels/ (objdump; the compiler's vtables, type data and"
echo "   unwinding references, data made read-only after relocation, and the kernel chosen once per process, aside)"
found=0
for object in "$objects"/convert/*.o "$objects"/charmap/*.o "$objects"/kernels/*.o; do
  data=$(objdump -t -C "$object" | awk '{ s = ""; for (i = 2; i <= NF; i++) if ($i ~ /^\./) { s = $i; break } } s ~ /^\.(data|bss|tbss|tdata)/ && s !~ /^\.data\.rel\.ro/' |
    grep -v -E 'vtable for |typeinfo for |typeinfo name for |DW\.ref\.|processKernel\(\)::chosen|\.(data|bss)$' || true)
  if [ -n "$data" ]; then
    echo "$(basename "$object"):"; echo "$data"; found=1
  fi
done
[ "$found" = 0 ] || { echo "writable namespace-scope data found"; exit 1; }
echo "   none"

echo "-- the document is read, never mapped (strace)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$root/examples/sample.chi" "$root/examples/Runemap.txt" "$work/"
(cd "$work" && strace -f -qq -e trace=openat,mmap,read,close -o trace.txt "$build/vantrel" sample.chi >/dev/null)
# From the document's opening to its closing: reads of its descriptor, no mapping.
verdict=$(awk '
  /openat\(AT_FDCWD, "sample.chi"/ { fd = $NF; open = 1; next }
  open && $0 ~ "mmap\\([^,]*, [^,]*, [^,]*, [^,]*, " fd "," { mapped = 1 }
  open && $0 ~ "read\\(" fd "," { reads++ }
  open && $0 ~ "close\\(" fd "\\)" { open = 0 }
  END { if (fd == "") print "unopened"; else if (mapped) print "mapped"; else print "read " reads }
' "$work/trace.txt")
case "$verdict" in
  read*) echo "   sample.chi: $verdict calls, never mapped" ;;
  *) echo "the document was $verdict"; exit 1 ;;
esac
