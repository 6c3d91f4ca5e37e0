#!/usr/bin/env bash
# Builds a release into build/dist: the 32- and 64-bit programs (Release), the
# setup program Tidewell-Setup-<version>.exe (NSIS; it installs the 64-bit
# program on 64-bit Windows, the 32-bit one elsewhere) and the portable
# Tidewell-<version>.zip (the 32-bit program Tidewell.exe, which runs on every
# Windows, and the 64-bit Tidewell64.exe, the build the tests run, with the user
# guide beside them). The version is the one in res/version.h, which the
# program's version resource uses too.
#   usage: tools/package.sh [--screenshots]
# --screenshots first takes the guide's pictures afresh (tools/screenshots.sh
# guide/images), so that they can be reviewed and committed with the release.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)

case "${1:-}" in
"") ;;
--screenshots) "$top/tools/screenshots.sh" "$top/guide/images" ;;
*)
  echo "usage: $0 [--screenshots]" >&2
  exit 2
  ;;
esac

for tool in cmake makensis python3 i686-w64-mingw32-strip x86_64-w64-mingw32-strip; do
  command -v "$tool" >/dev/null || { "$top/tools/setup.sh"; break; }
done

number() { sed -n "s/^#define TIDEWELL_VERSION_$1 \([0-9][0-9]*\)\$/\1/p" "$top/res/version.h"; }
version=$(number MAJOR).$(number MINOR).$(number PATCH).$(number BUILD)
case "$version" in
*..* | .* | *.) echo "package: no version in res/version.h" >&2; exit 1 ;;
esac

dist=$top/build/dist
stage=$dist/stage
rm -rf "$stage"
mkdir -p "$stage"

# The two programs, stripped of their symbol tables.
for arch in i686 x86_64; do
  build=$top/build/$arch
  cmake -S "$top" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw.cmake" -DTIDEWELL_ARCH=$arch \
    -DTIDEWELL_TESTS=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build" -j"$(nproc)" --target Tidewell
  mkdir -p "$stage/$arch"
  "$arch-w64-mingw32-strip" -o "$stage/$arch/Tidewell.exe" "$build/app/Tidewell.exe"
done

# The guide and the pictures it shows.
mkdir -p "$stage/guide/images"
cp "$top/guide/index.html" "$stage/guide/"
for picture in $(grep -o 'src="images/[^"]*"' "$top/guide/index.html" | sed 's/^src="images\///; s/"$//' | sort -u); do
  cp "$top/guide/images/$picture" "$stage/guide/images/"
done
python3 "$top/tests/guide/check_links.py" "$stage/guide/index.html"

rm -f "$dist/Tidewell-Setup-$version.exe" "$dist/Tidewell-$version.zip"
makensis -V2 -DEXE_X64="$stage/x86_64/Tidewell.exe" -DEXE_X86="$stage/i686/Tidewell.exe" \
  -DGUIDE="$stage/guide" -DOUTFILE="$dist/Tidewell-Setup-$version.exe" "$top/installer/Tidewell.nsi"

portable=$stage/Tidewell-$version
mkdir -p "$portable"
cp "$stage/i686/Tidewell.exe" "$portable/"
cp "$stage/x86_64/Tidewell.exe" "$portable/Tidewell64.exe"
cp -r "$stage/guide/." "$portable/"
(cd "$stage" && python3 -m zipfile -c "$dist/Tidewell-$version.zip" "Tidewell-$version")

ls -l "$dist/Tidewell-Setup-$version.exe" "$dist/Tidewell-$version.zip"
