#!/usr/bin/env bash
# Set-up, build, then run every test headless.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
ZORVEXA_EXTRA_PACKAGES="chromium" "$top/scripts/setup.sh"
cd "${ZORVEXA_BUILD_DIR:-$top/build}"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 300
