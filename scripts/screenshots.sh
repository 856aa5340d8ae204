#!/usr/bin/env bash
# Remakes the pictures of the windows in docs/ (after setup.sh has built the program).
# A scale factor as the first argument (1.5, 2) shows the windows as on a high-resolution screen.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${ZORVEXA_BUILD_DIR:-$top/build}
scale=${1:-1}
out=${2:-$top/docs}
cmake --build "$build" --target zorvexa_screenshots >/dev/null
QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR="$scale" LANG=C.UTF-8 \
    xvfb-run -a -s "-screen 0 1600x1200x24" "$build/tools/zorvexa_screenshots" "$out"
