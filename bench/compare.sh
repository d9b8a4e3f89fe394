#!/usr/bin/env bash
# Converts a generated 100 MiB document and compares vantrel with iconv
# (the same byte-to-UTF-8 work), cat, and the I/O floor (bench/iofloor: the
# document read in 1 MiB blocks and as many bytes as vantrel's output written
# to a new file). The programs run in turn, round after round, each writing a
# new file (the old output is removed outside the timer); the best and the
# median of the rounds are given. Then peak memory, and how the time grows
# on pathological inputs. A second document has half of its text in fonts
# mapped to two- and three-byte characters.
#
#   bench/compare.sh [--size MIB] [--runs N] [--huge] [--no-scale]
#
# Needs the README's build (build/vantrel, build/bench/docgen). Files go to a
# scratch folder on tmpfs (/dev/shm) unless BENCH_DIR names another; --huge
# converts a document of more than 2 GiB in a folder on disk (HUGE_DIR, /tmp).
# The last line printed is the median ratio of vantrel's time to iconv's
# (both documents).
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$here/build}
vantrel=$build/vantrel
docgen=$build/bench/docgen
iofloor=$build/bench/iofloor
size_mib=100
runs=5
huge=0
scale=1
while [ $# -gt 0 ]; do
  case "$1" in
    --size) size_mib=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --huge) huge=1; shift ;;
    --no-scale) scale=0; shift ;;
    *) echo "usage: $0 [--size MIB] [--runs N] [--huge] [--no-scale]" >&2; exit 2 ;;
  esac
done
for tool in "$vantrel" "$docgen" "$iofloor"; do
  [ -x "$tool" ] || { echo "missing $tool: build first (see README)" >&2; exit 1; }
done
command -v iconv >/dev/null || { echo "iconv is needed" >&2; exit 1; }

base=${BENCH_DIR:-/dev/shm}
[ -d "$base" ] && [ -w "$base" ] || base=${TMPDIR:-/tmp}
work=$(mktemp -d "$base/vantrel-bench.XXXXXX")
cleanup() { rm -rf "$work" "${hugework:-}"; }
trap cleanup EXIT

now() { date +%s%N; }

# Wall time in nanoseconds of one run of a command in the folder $1.
time_once() {
  local dir=$1; shift
  local t0 t1
  t0=$(now)
  (cd "$dir" && "$@")
  t1=$(now)
  echo $((t1 - t0))
}

# Best wall time in seconds of `runs` runs of a command (run in the folder $1).
best_of() {
  local dir=$1 n=$2; shift 2
  local best="" t
  for _ in $(seq "$n"); do
    t=$(time_once "$dir" "$@")
    if [ -z "$best" ] || [ "$t" -lt "$best" ]; then best=$t; fi
  done
  awk -v ns="$best" 'BEGIN { printf "%.4f", ns / 1e9 }'
}

# The best and the median of nanosecond times, in seconds: "best median".
best_median() {
  printf '%s\n' "$@" | sort -n | awk '{ t[NR] = $1 } END {
    m = NR % 2 ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2
    printf "%.4f %.4f", t[1] / 1e9, m / 1e9 }'
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }

run_vantrel() { "$vantrel" doc.chi > console.txt 2> warnings.txt; }
run_iconv() { iconv -f latin1 -t utf-8 doc.chi > iconv.out; }
run_cat() { cat doc.chi > cat.out; }
run_floor() { "$iofloor" doc.chi floor.out "$out_bytes"; }

# Peak resident memory of one vantrel run, in KiB.
peak_kib() {
  local dir=$1
  if [ -x /usr/bin/time ]; then
    (cd "$dir" && /usr/bin/time -f '%M' "$vantrel" doc.chi 2>&1 > console.txt | tail -n 1)
  else
    echo 0
  fi
}

echo "machine: $(nproc) cores, $(awk '/MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo)," \
  "$(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo); files on $(df --output=fstype "$work" | tail -n 1)"

# --- the main comparison -----------------------------------------------------
# Memory is bounded by the output windows, the parts in flight and the
# largest row group, not by the document: 32 MiB whatever its size.
budget=32768

# Times vantrel, iconv, cat and the floor on a generated document of one
# kind, in turn for `runs` rounds, each writing a new file; sets the medians
# m_vantrel, m_iconv and m_floor.
compare_kind() {
  local kind=$1 label=$2
  local dir=$work/$kind
  mkdir -p "$dir"
  "$docgen" "$kind" $((size_mib * 1048576)) "$dir"
  local in_bytes peak tool
  in_bytes=$(stat -c %s "$dir/doc.chi")
  (cd "$dir" && run_vantrel)
  out_bytes=$(stat -c %s "$dir/doc.htm")
  local -A times=()
  for _ in $(seq "$runs"); do
    for tool in vantrel iconv cat floor; do
      rm -f "$dir/doc.htm" "$dir/iconv.out" "$dir/cat.out" "$dir/floor.out"
      times[$tool]+=" $(time_once "$dir" "run_$tool")"
    done
  done
  peak=$(peak_kib "$dir")
  echo
  echo "$label: $in_bytes bytes in, $out_bytes bytes out ($runs rounds, each run a new file; best, median)"
  local -A best=() median=()
  for tool in vantrel iconv cat floor; do
    read -r "best[$tool]" "median[$tool]" <<< "$(best_median ${times[$tool]})"
    printf '  %-8s %8s s  %8s s  %8.1f MB/s\n' "$tool" "${best[$tool]}" "${median[$tool]}" \
      "$(awk -v b="$in_bytes" -v t="${median[$tool]}" 'BEGIN { print b / t / 1e6 }')"
  done
  echo "  vantrel/iconv  best $(ratio "${best[vantrel]}" "${best[iconv]}"), median $(ratio "${median[vantrel]}" "${median[iconv]}")"
  echo "  vantrel/floor  best $(ratio "${best[vantrel]}" "${best[floor]}"), median $(ratio "${median[vantrel]}" "${median[floor]}")"
  echo "  vantrel/cat    best $(ratio "${best[vantrel]}" "${best[cat]}"), median $(ratio "${median[vantrel]}" "${median[cat]}")"
  echo "  peak resident memory: $peak KiB; bound 32 MiB = $budget KiB: $(awk -v p="$peak" -v b="$budget" 'BEGIN { print (p <= b ? "within" : "OVER") }')"
  m_vantrel=${median[vantrel]}
  m_iconv=${median[iconv]}
  m_floor=${median[floor]}
  rm -rf "$dir"
}

compare_kind wide "half of the text in two- and three-byte fonts"
wide_ratio=$(ratio "$m_vantrel" "$m_iconv")
compare_kind realistic "document"

# --- pathological inputs: 10 times the input should take about 10 times the time
if [ "$scale" = 1 ]; then
  echo
  echo "scale (best of 3; 10x the input should take about 10x the time, at most 13x):"
  scale_step() {
    local kind=$1 small=$2
    local a=$work/$kind-1 b=$work/$kind-10
    mkdir -p "$a" "$b"
    "$docgen" "$kind" "$small" "$a"
    "$docgen" "$kind" $((small * 10)) "$b"
    local ta tb
    ta=$(best_of "$a" 3 run_vantrel)
    tb=$(best_of "$b" 3 run_vantrel)
    local r verdict
    r=$(ratio "$tb" "$ta")
    verdict=$(awk -v r="$r" 'BEGIN { print (r <= 13 ? "ok" : "TOO SLOW") }')
    printf '  %-12s %10s -> %11s bytes: %8s s -> %8s s  x%-6s %s\n' "$kind" \
      "$(stat -c %s "$a/$( [ "$kind" = big-map ] && echo Runemap.txt || echo doc.chi)")" \
      "$(stat -c %s "$b/$( [ "$kind" = big-map ] && echo Runemap.txt || echo doc.chi)")" "$ta" "$tb" "$r" "$verdict"
    rm -rf "$a" "$b"
  }
  scale_step one-line $((10 * 1048576))
  scale_step tiny-groups $((7 * 1000000))
  scale_step escape-rows $((10 * 1048576))
  scale_step a-runs $((10 * 1048576))
  scale_step big-map $((2 * 1048576))
fi

# --- a document beyond 32-bit sizes ----------------------------------------------
if [ "$huge" = 1 ]; then
  echo
  hugework=$(mktemp -d "${HUGE_DIR:-/tmp}/vantrel-huge.XXXXXX")
  # The document is one block of row groups repeated. From the second copy on,
  # each copy converts to the same body text, so the expected output is built
  # from the conversions of one and of two copies and compared byte for byte.
  block=$hugework/block
  mkdir -p "$block" "$hugework/one" "$hugework/two" "$hugework/big"
  "$docgen" realistic $((16 * 1048576)) "$block"
  printf '\\+\r\nend\\,\r\n' >> "$block/doc.chi"
  copies=$(( (2200 * 1048576) / $(stat -c %s "$block/doc.chi") + 1 ))
  for d in one two big; do cp "$block/Runemap.txt" "$hugework/$d/"; done
  cp "$block/doc.chi" "$hugework/one/doc.chi"
  cat "$block/doc.chi" "$block/doc.chi" > "$hugework/two/doc.chi"
  for _ in $(seq "$copies"); do cat "$block/doc.chi"; done > "$hugework/big/doc.chi"
  (cd "$hugework/one" && "$vantrel" doc.chi > console.txt)
  (cd "$hugework/two" && "$vantrel" doc.chi > console.txt)
  t0=$(now)
  big_peak=$( (cd "$hugework/big" && /usr/bin/time -f '%M' "$vantrel" doc.chi 2>&1 > console.txt | tail -n 1) )
  t1=$(now)
  one=$hugework/one/doc.htm two=$hugework/two/doc.htm
  tail_text='</span>\n\n</p>\n</body></html>'
  tail_len=$(printf "$tail_text" | wc -c)
  one_len=$(stat -c %s "$one")
  two_len=$(stat -c %s "$two")
  # one = head + first + tail, two = head + first + next + tail
  head_len=$(grep -abo '^<p>$' "$one" | head -n 1 | cut -d: -f1)
  head_len=$((head_len + 5))
  first_len=$((one_len - head_len - tail_len))
  next_len=$((two_len - one_len))
  {
    head -c $((head_len + first_len)) "$one"
    for _ in $(seq $((copies - 1))); do tail -c +$((head_len + first_len + 1)) "$two" | head -c "$next_len"; done
    printf "$tail_text"
  } > "$hugework/expected.htm"
  big_in=$(stat -c %s "$hugework/big/doc.chi")
  big_out=$(stat -c %s "$hugework/big/doc.htm")
  if cmp -s "$hugework/expected.htm" "$hugework/big/doc.htm"; then verdict="identical to the expected output"; else verdict="DIFFERS from the expected output"; fi
  echo "huge document: $copies copies of a block, $big_in bytes in, $big_out bytes out in" \
    "$(awk -v ns=$((t1 - t0)) 'BEGIN { printf "%.1f", ns / 1e9 }') s, peak $big_peak KiB" \
    "($(awk -v p="$big_peak" 'BEGIN { print (p <= 32768 ? "within" : "OVER") }') the 32 MiB bound): $verdict"
  rm -rf "$hugework"
fi

echo
echo "median vantrel/iconv $(ratio "$m_vantrel" "$m_iconv"), vantrel/floor $(ratio "$m_vantrel" "$m_floor") (half the text in wider fonts: vantrel/iconv $wide_ratio)"
