#!/usr/bin/env bash
# `quillon --help` and `--version` answer in the terminal without a display;
# an unknown option is refused. Argument: the program.
set -euo pipefail
program="$1"
fail() { echo "FAIL: $*" >&2; exit 1; }

# No display of any kind: were a window framework started, it would abort.
run() { env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$program" "$@"; }

help="$(run --help)" || fail "--help exited with $?"
grep -q '^Usage: quillon \[FILE | FOLDER\]\.\.\.$' <<<"$help" || fail "--help printed: $help"
grep -q -- '--version' <<<"$help" || fail "--help does not mention --version"
[ "$(run -h)" = "$help" ] || fail "-h differs from --help"

version="$(run --version)" || fail "--version exited with $?"
[[ "$version" =~ ^Quillon\ [0-9]+(\.[0-9]+)+$ ]] || fail "--version printed: $version"
[ "$(run some.mp3 -v)" = "$version" ] || fail "-v after a path differs from --version"

# Unknown options are known only once the framework has taken its own
# (-platform, -style, ...), so this one runs on the offscreen platform.
status=0
err="$(env QT_QPA_PLATFORM=offscreen "$program" --no-such-option 2>&1 >/dev/null)" || status=$?
[ "$status" -eq 2 ] || fail "an unknown option gave exit status $status"
grep -q "unknown option '--no-such-option'" <<<"$err" || fail "an unknown option printed: $err"
echo "ok"
