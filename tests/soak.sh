#!/usr/bin/env bash
# Soak: the whole show with a stream of arrow keys and F5 reloads, RUNS times
# in a row under AddressSanitizer, UndefinedBehaviorSanitizer and
# LeakSanitizer. Fails on any sanitizer report, on an exit status other than
# 0, or when a run needs more memory at its peak than the first one did.
# Usage: tests/soak.sh PROGRAM [RUNS], or tests/soak.sh --keys for the stream.
set -euo pipefail

# Per 2 s: right, left, right, then F5, so the show moves on 1 s faster than
# it plays, until its last seconds.
key_stream() {
  for t in $(seq 1000 2000 179000); do
    printf '%d right\n%d left\n%d right\n%d f5\n' "$t" $((t + 500)) $((t + 1000)) $((t + 1500))
  done | awk '$1 <= 179500'
}
if [ "${1:-}" = --keys ]; then key_stream; exit 0; fi

program=${1:?usage: tests/soak.sh PROGRAM [RUNS]}
runs=${2:-20}
cd "$(dirname "$0")/.."
log=$(mktemp -d /tmp/kolv17-soak-XXXXXX)
trap 'rm -rf "$log"' EXIT
keys=$log/keys
key_stream > "$keys"
export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
first_peak=0
for run in $(seq 1 "$runs"); do
  start=$(date +%s)
  if ! /usr/bin/time -f %M -o "$log/peak" "$program" --headless --no-audio --fps 10 \
        --keys "$keys" > "$log/out" 2>&1; then
    echo "soak run $run failed:"; cat "$log/out"; exit 1
  fi
  if grep -qE 'Sanitizer|runtime error' "$log/out"; then
    echo "soak run $run: sanitizer report:"; cat "$log/out"; exit 1
  fi
  peak=$(tail -n 1 "$log/peak")
  [ "$run" = 1 ] && first_peak=$peak
  printf 'run %2d: %3d s, peak %6d KiB\n' "$run" $(( $(date +%s) - start )) "$peak"
  # Allocator noise stays well inside 2 %; anything kept from run to run would not.
  if [ "$peak" -gt $(( first_peak + first_peak / 50 )) ]; then
    echo "soak run $run: peak memory grew from $first_peak KiB to $peak KiB"; exit 1
  fi
done
echo "soak: $runs runs, no sanitizer report, peak memory steady at about $first_peak KiB"
