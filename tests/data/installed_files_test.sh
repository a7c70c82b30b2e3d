#!/usr/bin/env bash
# `cmake --install` into a temporary prefix puts the program, its desktop
# entry, its icons and its AppStream metainfo in place, and the entry and the
# metainfo pass the desktop's own validators. Arguments: the build folder,
# the application id.
set -euo pipefail
build="$1"
app_id="$2"
fail() { echo "FAIL: $*" >&2; exit 1; }
root="$(mktemp -d)"
trap 'rm -rf "$root"' EXIT

cmake --install "$build" --prefix "$root/usr" >"$root/install.log" 2>&1 || { cat "$root/install.log"; fail "install"; }
share="$root/usr/share"
desktop="$share/applications/$app_id.desktop"
metainfo="$share/metainfo/$app_id.metainfo.xml"
[ -x "$root/usr/bin/quillon" ] || fail "no program"
desktop-file-validate "$desktop" || fail "desktop entry"
appstreamcli validate --no-net "$metainfo" || fail "metainfo"

field() { sed -n "s/^$1=//p" "$desktop"; }
[ "$(field Name)" = "Quillon" ] || fail "Name"
[ -n "$(field GenericName)" ] && [ -n "$(field Comment)" ] || fail "GenericName or Comment"
[ "$(field Exec)" = "quillon %F" ] || fail "Exec"
[ "$(field Categories)" = "AudioVideo;Audio;" ] || fail "Categories"
[ "$(field MimeType)" = "audio/mpeg;inode/directory;" ] || fail "MimeType"
icon="$(field Icon)"
grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" || fail "launchable"
grep -q "<screenshot type=\"default\">" "$metainfo" || fail "screenshot"

# The icon the entry names, in every size, each PNG as large as its folder says.
[ -f "$share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "scalable icon"
for size in 16 22 24 32 48 64 128 256; do
  png="$share/icons/hicolor/${size}x${size}/apps/$icon.png"
  [ -f "$png" ] || fail "no $png"
  # Width and height: the two big-endian words at bytes 16-23 (IHDR).
  [ "$(od -An -tu4 --endian=big -j16 -N8 "$png" | xargs)" = "$size $size" ] || fail "$png is not ${size}x${size}"
done
echo "ok"
