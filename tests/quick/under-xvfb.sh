#!/usr/bin/env bash
# The QML module's tests with the hardware scene graph: OpenGL through
# Mesa's llvmpipe on an Xvfb display, the threaded render loop. ctest runs
# them with the software scene graph on the offscreen platform; this runs
# the same programs on xcb.
#
#   tests/quick/under-xvfb.sh <build folder> [display]
set -euo pipefail

build=$(cd "${1:?build folder}" && pwd)
display=${2:-:73}
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
sleep 1
for test in "$build"/tests/test_quick_*Tests; do
  DISPLAY=$display QT_QPA_PLATFORM=xcb TWEENERY_TEST_GRAPHICS=opengl "$test"
done
