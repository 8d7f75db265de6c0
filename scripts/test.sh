#!/usr/bin/env bash
# Builds Solwire and runs every test: once normally, once under AddressSanitizer
# and UndefinedBehaviorSanitizer, the serial transport under ThreadSanitizer,
# and each fuzz target for a short run. The normal run also makes the Debian
# packages and, as root, installs and removes them. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

scripts/setup.sh tests

jobs=2
fuzz_seconds=${SOLWIRE_FUZZ_SECONDS:-20}

configure_and_build() {
  local dir=$1
  shift
  cmake -S "$root" -B "$root/$dir" -G Ninja "$@" > /dev/null
  cmake --build "$root/$dir" -j"$jobs"
}

echo "== Normal build and tests"
configure_and_build build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSOLWIRE_TESTS=ON -DSOLWIRE_BENCH=ON
ctest --test-dir build --output-on-failure -j"$jobs"

echo "== AddressSanitizer and UndefinedBehaviorSanitizer"
configure_and_build build-asan -DCMAKE_BUILD_TYPE=Debug -DSOLWIRE_SANITIZE=ON -DSOLWIRE_BENCH=OFF
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j"$jobs"

echo "== ThreadSanitizer (serial transport)"
cmake -S "$root" -B "$root/build-tsan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSOLWIRE_TSAN=ON \
  -DSOLWIRE_BENCH=OFF -DSOLWIRE_GUI=OFF > /dev/null
cmake --build "$root/build-tsan" -j"$jobs" --target serial_tests network_serial_tests link_tests
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
  ctest --test-dir build-tsan -L serial --output-on-failure -j"$jobs"

echo "== Fuzz targets (${fuzz_seconds} s each)"
CXX=clang++ configure_and_build build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSOLWIRE_FUZZ=ON \
  -DSOLWIRE_TESTS=OFF -DSOLWIRE_GUI=OFF -DSOLWIRE_BENCH=OFF
for target in $(find build-fuzz/fuzz -maxdepth 2 -type f -name "fuzz_*" -perm -u+x | sort); do
  [ -f "$target" ] && [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus="build-fuzz/corpus/$name"
  mkdir -p "$corpus"
  seeds="fuzz/seeds/${name#fuzz_}"
  [ -d "$seeds" ] || seeds=""
  # The settings-file target ends each input with QSettings' own cache larger,
  # which libFuzzer's per-input leak check would take for a leak and re-run.
  leak_check=1
  [ "$name" = fuzz_config_settings_file ] && leak_check=0
  echo "-- $name"
  # A request for more memory than the target may hold is a finding at once,
  # not a sanitizer's abort later. Only the last lines are shown, so the stack
  # of every allocation is not recorded: reproduce a finding for that.
  ASAN_OPTIONS=malloc_context_size=0 "$target" -max_total_time="$fuzz_seconds" -timeout=5 -rss_limit_mb=2048 \
    -malloc_limit_mb=2048 -detect_leaks="$leak_check" -print_final_stats=0 "$corpus" $seeds 2>&1 | tail -n 2
done

echo "== All tests passed"
