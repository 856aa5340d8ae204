#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need, then configures and builds.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${ZORVEXA_BUILD_DIR:-$top/build}

# The workbook writer comes with a pkg-config file and links zlib; start lists from Excel are unpacked
# with its zip library, minizip; the tests read exports back with unzip and poppler-utils (pdftotext,
# pdfinfo). Qt's print support is part of qt6-base-dev. The live results server uses Qt WebSockets;
# its QR code comes from libqrencode (pkg-config). The event journal needs the SQLite driver of
# Qt SQL and SQLite's header for its online backup.
packages=(cmake g++ make pkgconf qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-serialport-dev libgl-dev
          qt6-websockets-dev libqrencode-dev
          libxlsxwriter-dev libminizip-dev zlib1g-dev fonts-liberation gettext xvfb xauth unzip poppler-utils
          desktop-file-utils appstream qt6-translations-l10n libqt6sql6-sqlite libsqlite3-dev)
# The test script adds what only the tests need (a headless browser for the live pages).
read -r -a extra <<<"${ZORVEXA_EXTRA_PACKAGES:-}"
packages+=("${extra[@]}")
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)"
