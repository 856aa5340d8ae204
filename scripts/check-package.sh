#!/usr/bin/env bash
# Builds the Debian package from a finished build and checks what a club's machine would get:
# the files, the dependencies dpkg-shlibdeps found, lintian without errors, and the program
# inside it answering --version with the project's version.
set -euo pipefail
build=${1:?build folder}
cd "$build"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' CMakeCache.txt)
rm -f zorvexa_*.deb
cpack -G DEB >/dev/null
deb="zorvexa_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || { echo "package $deb was not made" >&2; exit 1; }

fail=0
contents=$(dpkg-deb -c "$deb")
for file in usr/bin/zorvexa usr/share/applications/de.brasquell.Zorvexa.desktop \
            usr/share/icons/hicolor/scalable/apps/de.brasquell.Zorvexa.svg \
            usr/share/metainfo/de.brasquell.Zorvexa.metainfo.xml usr/share/man/man1/zorvexa.1.gz \
            usr/share/doc/zorvexa/copyright usr/share/doc/zorvexa/changelog.gz; do
    grep -q " \./$file\$" <<<"$contents" || { echo "missing from $deb: $file" >&2; fail=1; }
done
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libqt6widgets6 libqt6network6 libqt6sql6-sqlite libxlsxwriter4 libqrencode4 libsqlite3-0; do
    grep -q "\b$needed\b" <<<"$depends" || { echo "Depends lacks $needed: $depends" >&2; fail=1; }
done
if lintian --tag-display-limit 0 "$deb" 2>/dev/null | grep '^E:' >&2; then
    fail=1
fi
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"
shown=$("$unpacked/usr/bin/zorvexa" --version)
[ "$shown" = "zorvexa $version" ] || { echo "--version said '$shown', not 'zorvexa $version'" >&2; fail=1; }
[ $fail -eq 0 ] && echo "package $deb: files, dependencies, lintian and --version as expected"
exit $fail
