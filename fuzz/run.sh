#!/bin/sh
# Runs each fuzzer of BUILD (configured with -DTANGLET_FUZZ=ON) for SECONDS,
# starting from the committed corpus. Any crash, leak, sanitizer report or
# broken invariant fails the run; the input that did it is shown.
set -u
build=${1:?usage: fuzz/run.sh BUILD [SECONDS]}
seconds=${2:-60}
here=$(cd "$(dirname "$0")" && pwd)
status=0
for target in fuzz_line fuzz_vcg fuzz_dot fuzz_view; do
  work=$(mktemp -d)
  mkdir "$work/new"
  # The programs' own messages (a syntax error per input) would flood the
  # log: the targets' output is closed; libFuzzer still reports.
  if ! "$build/fuzz/$target" -max_total_time="$seconds" -max_len=8192 -close_fd_mask=3 \
      -print_final_stats=1 -artifact_prefix="$work/" "$work/new" "$here/corpus/$target" \
      > "$work/log" 2>&1; then
    status=1
    tail -40 "$work/log"
    for finding in "$work"/crash-* "$work"/leak-* "$work"/timeout-* "$work"/oom-*; do
      [ -f "$finding" ] || continue
      echo "$target: finding $(basename "$finding"):"
      od -c "$finding" | head -20
      # The replay shows the target's own message.
      "$build/fuzz/$target" "$finding" 2>&1 | grep -E 'differ|invariant|runtime error' | head -5
    done
  fi
  executed=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log")
  echo "$target: ${executed:-?} executions in ${seconds}s"
  rm -rf "$work"
done
exit $status
