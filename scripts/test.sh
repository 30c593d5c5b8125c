#!/usr/bin/env bash
# Builds and runs every test: AddressSanitizer + UndefinedBehaviorSanitizer
# over the whole program (window tests under Xvfb), ThreadSanitizer over the
# core, and each fuzz target for FUZZ_SECONDS (default 20).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

jobs=2
fuzz_seconds=${FUZZ_SECONDS:-20}
out=build-ci

# A display for the window tests, unless one is already there.
if [ -z "${DISPLAY:-}" ]; then
  Xvfb :97 -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  trap 'kill $xvfb_pid 2>/dev/null || true' EXIT
  export DISPLAY=:97
  for _ in $(seq 50); do [ -e /tmp/.X11-unix/X97 ] && break; sleep 0.1; done
fi
export QTWEBENGINE_DISABLE_SANDBOX=1
export QTWEBENGINE_CHROMIUM_FLAGS="--no-sandbox --disable-gpu"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

echo "== AddressSanitizer + UndefinedBehaviorSanitizer"
cmake -S . -B $out/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSANITIZERS=address,undefined
cmake --build $out/asan -j$jobs
ctest --test-dir $out/asan --output-on-failure -j$jobs

echo "== ThreadSanitizer (core)"
cmake -S . -B $out/tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSANITIZERS=thread -DBUILD_GUI=OFF
cmake --build $out/tsan -j$jobs
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/tests/tsan.supp" ctest --test-dir $out/tsan --output-on-failure -j$jobs

echo "== Fuzzing (${fuzz_seconds}s per target)"
CC=clang CXX=clang++ cmake -S . -B $out/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_FUZZ=ON \
  -DBUILD_TESTING=OFF -DBUILD_GUI=OFF -DBUILD_CONSOLE=OFF
fuzzers=$(cmake --build $out/fuzz --target help | sed -n 's/^\(fuzz-[a-z-]*\):.*/\1/p')
cmake --build $out/fuzz -j$jobs --target $fuzzers
for fuzzer in $fuzzers; do
  mkdir -p $out/fuzz/corpus/$fuzzer
  $out/fuzz/bin/$fuzzer -max_total_time="$fuzz_seconds" -print_final_stats=0 $out/fuzz/corpus/$fuzzer fuzz/seeds/$fuzzer \
    > $out/fuzz/$fuzzer.log 2>&1 || { tail -50 $out/fuzz/$fuzzer.log; echo "fuzzer $fuzzer failed"; exit 1; }
  echo "$fuzzer: clean for ${fuzz_seconds}s"
done
