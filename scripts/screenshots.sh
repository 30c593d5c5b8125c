#!/usr/bin/env bash
# Renders the three pages of the main window into docs/screenshots/ under a
# virtual display: login.png, albums.png, settings.png.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja >/dev/null
cmake --build "$build" -j2 --target tervala-screenshot

if [ -z "${DISPLAY:-}" ]; then
  Xvfb :98 -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  trap 'kill $xvfb_pid 2>/dev/null || true' EXIT
  export DISPLAY=:98
  for _ in $(seq 50); do [ -e /tmp/.X11-unix/X98 ] && break; sleep 0.1; done
fi
export QTWEBENGINE_DISABLE_SANDBOX=1
export QTWEBENGINE_CHROMIUM_FLAGS="--no-sandbox --disable-gpu"

mkdir -p docs/screenshots
for page in login albums settings; do
  "$build/bin/tervala-screenshot" "$page" "docs/screenshots/$page.png" 2>/dev/null
  echo "docs/screenshots/$page.png"
done
