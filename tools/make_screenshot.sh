#!/usr/bin/env bash
# Makes the AppStream screenshot packaging/screenshots/volmara-main.png: the demo image disks of
# demo.sh, then the desktop program on them, drawn offscreen on a 1280 x 1024 screen.
# Usage: tools/make_screenshot.sh [BUILD_DIR]
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:-$ROOT/build}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat >"$work/screen.json" <<'JSON'
{ "screens": [ { "name": "screen", "x": 0, "y": 0, "width": 1280, "height": 1024,
                 "logicalDpi": 96, "logicalBase": 96, "dpr": 1 } ] }
JSON
env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM="offscreen:configfile=$work/screen.json" "$ROOT/demo.sh" "$BUILD"
cp "$ROOT/demo/volmara.png" "$ROOT/packaging/screenshots/volmara-main.png"
echo "screenshot: $ROOT/packaging/screenshots/volmara-main.png"
