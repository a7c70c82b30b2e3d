#!/usr/bin/env bash
# `cpack -G DEB` builds a package of what `cmake --install` puts in place;
# unpacked into a temporary root, it holds exactly the program and its
# desktop files, and its control fields name it, its version and the
# libraries dpkg-shlibdeps found. Arguments: the build folder, the
# application id, the version.
set -euo pipefail
build="$1"
app_id="$2"
version="$3"
fail() { echo "FAIL: $*" >&2; exit 1; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out") >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack"; }
shopt -s nullglob
debs=("$work"/out/*.deb)
[ "${#debs[@]}" -eq 1 ] || fail "expected one package, found ${#debs[@]}"
deb="${debs[0]}"
arch="$(dpkg --print-architecture)"
[ "$(basename "$deb")" = "quillon_${version}_${arch}.deb" ] || fail "file name $(basename "$deb")"

dpkg-deb -x "$deb" "$work/root"
expected="./usr/bin/quillon
./usr/share/applications/$app_id.desktop
./usr/share/icons/hicolor/128x128/apps/quillon.png
./usr/share/icons/hicolor/16x16/apps/quillon.png
./usr/share/icons/hicolor/22x22/apps/quillon.png
./usr/share/icons/hicolor/24x24/apps/quillon.png
./usr/share/icons/hicolor/256x256/apps/quillon.png
./usr/share/icons/hicolor/32x32/apps/quillon.png
./usr/share/icons/hicolor/48x48/apps/quillon.png
./usr/share/icons/hicolor/64x64/apps/quillon.png
./usr/share/icons/hicolor/scalable/apps/quillon.svg
./usr/share/metainfo/$app_id.metainfo.xml"
actual="$(cd "$work/root" && find . ! -type d | LC_ALL=C sort)"
[ "$actual" = "$(LC_ALL=C sort <<<"$expected")" ] || fail "file list:
$actual"
desktop-file-validate "$work/root/usr/share/applications/$app_id.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$work/root/usr/share/metainfo/$app_id.metainfo.xml" || fail "metainfo"
# Installed files belong to root, as dpkg will leave them.
[ -z "$(dpkg-deb -c "$deb" | awk '$2 != "root/root"')" ] || fail "owner not root/root"

control() { dpkg-deb -f "$deb" "$1"; }
[ "$(control Package)" = "quillon" ] || fail "Package"
[ "$(control Version)" = "$version" ] || fail "Version $(control Version)"
[ "$(control Architecture)" = "$arch" ] || fail "Architecture"
[ "$(control Section)" = "sound" ] || fail "Section"
[ -n "$(control Maintainer)" ] || fail "Maintainer"
description="$(control Description)"
[ "$(head -1 <<<"$description")" = "rewrites the tags of many MP3 files in one pass" ] || fail "Description: $description"
[ "$(sed -n 2p <<<"$description")" = " Quillon gives every MP3 file of a list a new ID3v2.3 tag and an ID3v1" ] ||
  fail "extended Description: $description"
depends="$(control Depends)"
# From the libraries the program links, with their versions.
for lib in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6; do
  [[ ", $depends" == *", $lib (>= "* ]] || fail "Depends lacks $lib: $depends"
done
# The program in the package runs.
[ "$("$work/root/usr/bin/quillon" --version)" = "Quillon $version" ] || fail "the packaged program"
echo "ok: $depends"
