#!/usr/bin/env bash
# Builds the program and starts it: the window, or the console front end
# with the given arguments when the first argument is "cli".
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF
cmake --build build -j2
if [ "${1:-}" = "cli" ]; then
  shift
  exec build/bin/tervala-cli "$@"
fi
exec build/bin/tervala "$@"
