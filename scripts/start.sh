#!/usr/bin/env bash
# Set-up, build, then start the program.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
exec "${ZORVEXA_BUILD_DIR:-$top/build}/zorvexa"
