#!/usr/bin/env bash
# Line coverage of the program's sources reached by each fuzz target's corpus
# (build-fuzz/corpus/<target>, grown by scripts/fuzz.sh): the targets are built
# with clang's source coverage, every corpus input is run once, and llvm-cov
# reports the source files the target is about.
#
#   scripts/fuzz-coverage.sh [TARGET ...]      (default: all)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_convert fuzz_map_file fuzz_lines fuzz_command_line)
build=build-fuzz-coverage

CXX=clang++ CXXFLAGS="-fprofile-instr-generate -fcoverage-mapping" \
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTREL_FUZZ=ON -DVANTREL_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target "${targets[@]}" >/dev/null

# The sources each target exercises (the rest of the library is linked in
# but not reachable from it).
sources_of() {
  case "$1" in
    fuzz_convert) ls src/convert/*.cpp src/charmap/*.cpp src/support/text/{line_list.cpp,line_cursor.h,byte_scan.h,byte_text.cpp,text_block.cpp} ;;
    fuzz_map_file) ls src/charmap/*.cpp src/support/text/{line_list.cpp,line_cursor.h} ;;
    fuzz_lines) ls src/support/text/{line_list.cpp,line_cursor.h,byte_scan.h,text_block.cpp} ;;
    fuzz_command_line) ls src/support/program/command_line.cpp ;;
  esac
}

for target in "${targets[@]}"; do
  corpus="build-fuzz/corpus/$target"
  [ -d "$corpus" ] || { echo "$target: no corpus yet (run scripts/fuzz.sh first)"; continue; }
  rm -f "$build/$target".profraw*
  LLVM_PROFILE_FILE="$build/$target.profraw" "$build/fuzz/$target" -runs=0 "$corpus" >/dev/null 2>&1
  llvm-profdata merge -sparse "$build/$target.profraw" -o "$build/$target.profdata"
  echo "== $target ($(ls "$corpus" | wc -l) inputs)"
  mapfile -t sources < <(sources_of "$target")
  llvm-cov report "$build/fuzz/$target" -instr-profile="$build/$target.profdata" "${sources[@]}" |
    awk '$1 ~ /^(src|TOTAL)/ || $1 ~ /\.(cpp|h)$/ { sub(".*/src/", "", $1); printf "  %-28s lines %7s  branches %7s\n", $1, $10, $13 }'
done
