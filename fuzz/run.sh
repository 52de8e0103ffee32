#!/bin/sh
# Runs each loader harness for the given number of seconds on the seed corpus. The growing corpus
# stays in build-fuzz/corpus/, findings go to build-fuzz/crashes/, logs to build-fuzz/*.log.
# Usage: fuzz/run.sh SECONDS [binary|xml ...] (after fuzz/build.sh); both harnesses by default.
# Exit status 1 when a harness found something.
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
OUT=${FUZZ_BUILD:-$ROOT/build-fuzz}
SECONDS_EACH=${1:-60}
[ $# -gt 0 ] && shift
KINDS=${*:-binary xml}

mkdir -p "$OUT/seeds/binary" "$OUT/seeds/xml" "$OUT/corpus/binary" "$OUT/corpus/xml" "$OUT/crashes"
export QT_QPA_PLATFORM=offscreen
"$OUT/make_seeds" "$OUT/seeds/binary" "$OUT/seeds/xml"
# Inputs that once found a fault stay in the corpus.
cp "$ROOT"/tests/zvd/persistence/regressions/*.zvd "$OUT/seeds/binary/"
cp "$ROOT"/tests/zvd/persistence/regressions/*.xml "$OUT/seeds/xml/"

status=0
for kind in $KINDS; do
  echo "fuzz: fuzz_$kind for $SECONDS_EACH s (log: $OUT/fuzz_$kind.log)"
  # Inputs up to 64 KiB; any single allocation above 64 MiB is a finding (nothing read from such
  # an input justifies it), as are leaks and sanitizer reports.
  if ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 \
     UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
     "$OUT/fuzz_$kind" -max_total_time="$SECONDS_EACH" -max_len=65536 -malloc_limit_mb=64 -rss_limit_mb=2048 \
       -timeout=20 -print_final_stats=1 -artifact_prefix="$OUT/crashes/$kind-" \
       "$OUT/corpus/$kind" "$OUT/seeds/$kind" > "$OUT/fuzz_$kind.log" 2>&1; then
    :
  else
    status=1
    echo "fuzz: fuzz_$kind stopped on a finding; see $OUT/fuzz_$kind.log and $OUT/crashes/" >&2
  fi
  grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb|^Done' "$OUT/fuzz_$kind.log" || true
done
exit $status
