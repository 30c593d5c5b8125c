#!/usr/bin/env bash
# Builds the benchmarks in bench/ (Release) and runs each; every figure is
# printed beside its baseline.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

out=build-bench
cmake -S . -B $out -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_BENCH=ON -DBUILD_GUI=OFF
benches=$(cmake --build $out --target help | sed -n 's/^\(bench-[a-z-]*\):.*/\1/p')
cmake --build $out -j2 --target $benches
for bench in $benches; do
  echo "== $bench"
  case $bench in
    # The record's adds are synced: time them on the disk that holds it.
    bench-record) $out/bin/bench-record $out/record-bench-data ;;
    *) $out/bin/$bench ;;
  esac
done
