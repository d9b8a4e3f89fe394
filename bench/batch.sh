#!/usr/bin/env bash
# Converts a batch of small generated documents with -j 1 and with -j 2 (best
# and median of several runs each, every run writing new files), checks that
# both write the same files, and times `cp -r` of the folder beside them: a
# batch of small documents should cost little more than copying them. The
# default batch is 2,000 documents of about 6 KB (12 MB in all).
#
#   bench/batch.sh [--count N] [--size BYTES] [--runs N]
#
# Needs the README's build (build/vantrel, build/bench/docgen). Files go to a
# scratch folder on tmpfs (/dev/shm) unless BENCH_DIR names another. The last
# line printed is the ratio of the median time with -j 1 to that of cp -r.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$here/build}
vantrel=$build/vantrel
docgen=$build/bench/docgen
count=2000
size=6000
runs=7
while [ $# -gt 0 ]; do
  case "$1" in
    --count) count=$2; shift 2 ;;
    --size) size=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    *) echo "usage: $0 [--count N] [--size BYTES] [--runs N]" >&2; exit 2 ;;
  esac
done
for tool in "$vantrel" "$docgen"; do
  [ -x "$tool" ] || { echo "missing $tool: build first (see README)" >&2; exit 1; }
done

base=${BENCH_DIR:-/dev/shm}
[ -d "$base" ] && [ -w "$base" ] || base=${TMPDIR:-/tmp}
work=$(mktemp -d "$base/vantrel-batch.XXXXXX")
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/gen" "$work/j1" "$work/j2"
for i in $(seq "$count"); do
  "$docgen" realistic "$size" "$work/gen" "$i"
  mv "$work/gen/doc.chi" "$work/j1/doc$i.chi"
done
mv "$work/gen/Runemap.txt" "$work/j1/"
cp "$work/j1/"* "$work/j2/"

now() { date +%s%N; }
# Best and median wall time in seconds of `runs` runs of vantrel -q -j JOBS
# on the batch (or of cp -r for JOBS "cp"), each run writing new files.
best_median() {
  local jobs=$1 times=()
  for _ in $(seq "$runs"); do
    rm -f "$work/j$jobs/"*.htm
    rm -rf "$work/copy"
    local t0 t1
    t0=$(now)
    if [ "$jobs" = cp ]; then
      cp -r "$work/j1" "$work/copy"
    else
      (cd "$work/j$jobs" && "$vantrel" -q -j "$jobs" doc*.chi)
    fi
    t1=$(now)
    times+=($((t1 - t0)))
  done
  printf '%s\n' "${times[@]}" | sort -n | awk '{ t[NR] = $1 } END {
    m = NR % 2 ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2
    printf "%.3f %.3f", t[1] / 1e9, m / 1e9 }'
}

read -r b1 m1 <<< "$(best_median 1)"
read -r b2 m2 <<< "$(best_median 2)"
read -r bc mc <<< "$(best_median cp)"
(cd "$work/j1" && "$vantrel" -q -j 1 doc*.chi)
(cd "$work/j2" && "$vantrel" -q -j 2 doc*.chi)
diff -r "$work/j1" "$work/j2" >/dev/null || { echo "-j 2 wrote other files than -j 1" >&2; exit 1; }
mib=$(awk -v c="$count" -v s="$size" 'BEGIN { printf "%.1f", c * s / 1048576 }')
echo "$count documents of $size bytes ($mib MiB), $runs runs each (best, median), on $(nproc) processors"
echo "-j 1:  $b1 s  $m1 s"
echo "-j 2:  $b2 s  $m2 s"
echo "cp -r: $bc s  $mc s"
awk -v a="$m2" -v b="$m1" 'BEGIN { printf "-j 2 / -j 1: %.2f\n", a / b }'
awk -v a="$m1" -v b="$mc" 'BEGIN { printf "-j 1 / cp -r: %.2f\n", a / b }'
