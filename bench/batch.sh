#!/usr/bin/env bash
# Converts a batch of small generated documents with -j 1 and with -j 2 (best
# of several runs each) and checks that both write the same files.
#
#   bench/batch.sh [--count N] [--size BYTES] [--runs N]
#
# Needs the README's build (build/vantrel, build/bench/docgen). Files go to a
# scratch folder on tmpfs (/dev/shm) unless BENCH_DIR names another. The last
# line printed is the ratio of the time with -j 2 to the time with -j 1.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$here/build}
vantrel=$build/vantrel
docgen=$build/bench/docgen
count=1000
size=65536
runs=5
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
# Best wall time in seconds of `runs` runs of vantrel -q -j JOBS on the batch.
best_of() {
  local jobs=$1 best=""
  for _ in $(seq "$runs"); do
    local t0 t1
    t0=$(now)
    (cd "$work/j$jobs" && "$vantrel" -q -j "$jobs" doc*.chi)
    t1=$(now)
    local t=$((t1 - t0))
    if [ -z "$best" ] || [ "$t" -lt "$best" ]; then best=$t; fi
  done
  awk -v ns="$best" 'BEGIN { printf "%.3f", ns / 1e9 }'
}

t1=$(best_of 1)
t2=$(best_of 2)
diff -r "$work/j1" "$work/j2" >/dev/null || { echo "-j 2 wrote other files than -j 1" >&2; exit 1; }
mib=$(awk -v c="$count" -v s="$size" 'BEGIN { printf "%.1f", c * s / 1048576 }')
echo "$count documents of $size bytes ($mib MiB), best of $runs, on $(nproc) processors"
echo "-j 1: $t1 s"
echo "-j 2: $t2 s"
awk -v a="$t2" -v b="$t1" 'BEGIN { printf "-j 2 / -j 1: %.2f\n", a / b }'
