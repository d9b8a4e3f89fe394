#!/usr/bin/env bash
# Runs vantrel under valgrind (memcheck) on a few golden cases and on a
# generated 6 MiB document (the mapped, streamed path), and fails on any
# memory error or leak, or on output that differs from the expected one.
#
#   scripts/valgrind.sh [BUILD_FOLDER]        (default: build)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
vantrel="$build/vantrel"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

memcheck() {  # memcheck NAME ARGS... — run in the current folder
  local name="$1" status=0
  shift
  valgrind --quiet --error-exitcode=99 --leak-check=full --show-leak-kinds=definite,indirect,possible \
    --errors-for-leak-kinds=definite,indirect,possible --log-file="$work/$name.valgrind" \
    "$vantrel" "$@" >"$work/$name.stdout" || status=$?
  if [ "$status" = 99 ] || [ -s "$work/$name.valgrind" ]; then
    echo "$name: valgrind reported:"
    cat "$work/$name.valgrind"
    return 1
  fi
}

failed=0
for name in map_file_worked_example remove_half_a_character span_continues_across_groups \
    form_feed_rule_at_next_group map_page_out_of_range missing_document output_is_a_folder; do
  case_dir="$root/tests/golden/cases/$name"
  run="$work/run-$name"
  mkdir -p "$run"
  [ -d "$case_dir/in" ] && cp -R "$case_dir/in/." "$run/"
  [ -f "$case_dir/setup" ] && while read -r command first second; do
    case "$command" in mkdir) mkdir -p "$run/$first" ;; esac
  done <"$case_dir/setup"
  args=(doc.chi)
  [ -f "$case_dir/args" ] && mapfile -t args <"$case_dir/args"
  if ! (cd "$run" && memcheck "$name" "${args[@]}"); then failed=1; continue; fi
  if [ -d "$case_dir/out" ]; then
    for file in "$case_dir"/out/*; do
      cmp -s "$file" "$run/$(basename "$file")" || { echo "$name: $(basename "$file") differs"; failed=1; }
    done
  fi
  echo "$name: clean"
done

# A document large enough to be mapped and streamed through the writer thread.
big="$work/big"
mkdir -p "$big"
"$build/bench/docgen" realistic 6291456 "$big" >/dev/null
(cd "$big" && "$vantrel" doc.chi >/dev/null && mv doc.htm expected.htm)
if (cd "$big" && memcheck big doc.chi) && cmp -s "$big/expected.htm" "$big/doc.htm"; then
  echo "generated 6 MiB document: clean"
else
  echo "generated 6 MiB document: valgrind errors or different output"
  failed=1
fi
exit $failed
