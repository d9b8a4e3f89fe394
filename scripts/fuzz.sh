#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for a given time over a corpus
# seeded from fuzz/seeds and the golden cases, with the format's dictionary.
#
#   scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET ...]     (default: 60, all)
#
# The corpus grows in build-fuzz/corpus/<target> and is kept between runs.
# A finding stops the run with status 1; its input is saved as
# build-fuzz/findings/<target>-crash-... (make it a golden case).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
seconds="${1:-60}"
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_convert fuzz_map_file fuzz_lines fuzz_command_line)

CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTREL_FUZZ=ON -DVANTREL_TESTS=OFF >/dev/null
cmake --build build-fuzz -j2 --target "${targets[@]}" >/dev/null

# Golden cases as seeds: documents, map files, and both carved into one input.
seed_golden() {
  local target="$1" dir="$2" folder name doc map
  for folder in tests/golden/cases/*/in; do
    name=$(basename "$(dirname "$folder")")
    doc=$(find "$folder" -maxdepth 1 -type f -name '*.chi' | head -n 1)
    map="$folder/Runemap.txt"
    case "$target" in
      fuzz_convert)
        if [ -f "$map" ] && [ -n "$doc" ]; then
          cat "$map" <(printf '\xff\xfe\xfd') "$doc" >"$dir/golden-$name"
        elif [ -n "$doc" ]; then
          cp "$doc" "$dir/golden-$name"
        fi ;;
      fuzz_map_file) [ -f "$map" ] && cp "$map" "$dir/golden-$name" ;;
      fuzz_lines) [ -n "$doc" ] && cp "$doc" "$dir/golden-$name" ;;
    esac
  done
  return 0
}

export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
mkdir -p build-fuzz/findings
status=0
for target in "${targets[@]}"; do
  corpus="build-fuzz/corpus/$target"
  mkdir -p "$corpus"
  cp fuzz/seeds/"$target"/* "$corpus"/ 2>/dev/null || true
  seed_golden "$target" "$corpus"
  log="build-fuzz/$target.log"
  if build-fuzz/fuzz/"$target" -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
      -dict=fuzz/vantrel.dict -print_final_stats=1 \
      -artifact_prefix="build-fuzz/findings/$target-" "$corpus" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1)
    ft=$(grep -o 'ft: [0-9]*' "$log" | tail -n 1)
    echo "$target: ${seconds} s, $runs executions, $cov, $ft, corpus $(ls "$corpus" | wc -l) inputs"
  else
    echo "$target: FINDING (log follows)"
    tail -n 40 "$log"
    status=1
  fi
done
exit $status
