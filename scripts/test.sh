#!/usr/bin/env bash
# Set-up, build, a syntax-only pass of clang over every source, every test headless, then the
# Debian package built and checked. The tests run side by side, one per core: each has its own
# temporary home and takes a free port.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${ZORVEXA_BUILD_DIR:-$top/build}
ZORVEXA_EXTRA_PACKAGES="chromium clang-14 python3 dpkg-dev lintian" "$top/scripts/setup.sh"
"$top/scripts/clang-syntax.py" "$build" clang++-14
cd "$build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 300 -j"$(nproc)"
"$top/scripts/check-package.sh" "$build"
