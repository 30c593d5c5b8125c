#!/usr/bin/env bash
# Rebuilds the window's pictures in resources/ from draw-pictures.cpp.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
g++ -std=c++20 -fPIC "$here/draw-pictures.cpp" -o "$tmp/draw-pictures" $(pkg-config --cflags --libs Qt6Gui)
"$tmp/draw-pictures" "$here/.."
