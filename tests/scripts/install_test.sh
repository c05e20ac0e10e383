#!/usr/bin/env bash
# `cmake --install` of a build tree into a temporary prefix gives a desktop
# application: bin/vantrel, the Helpers folder the built program has, a desktop
# entry that validates, the light and dark icons in hicolor at every size named,
# and a program that, started from the prefix, finds its help.
# Usage: install_test.sh BUILD_DIR
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="$(cd "$1" && pwd)"
work="$(mktemp -d)"
prefix="$work/prefix"
helpers="$build/src/Vantrel/Helpers"
made_helpers=""
app_pid=""
cleanup() {
  if [ -n "$app_pid" ]; then kill "$app_pid" 2>/dev/null || true; wait "$app_pid" 2>/dev/null || true; fi
  if [ -n "$made_helpers" ]; then rm -rf "$helpers"; fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# Helpers put beside the built program go beside the installed one. (A Helpers
# folder someone made for real is left alone, and installed as it is.)
if [ ! -e "$helpers" ]; then
  made_helpers=1
  mkdir -p "$helpers"
  for tool in ffmpeg ffprobe; do printf '#!/bin/sh\nexit 0\n' > "$helpers/$tool"; chmod 755 "$helpers/$tool"; done
fi

cmake --install "$build" --prefix "$prefix" >/dev/null

[ -x "$prefix/bin/vantrel" ] || fail "bin/vantrel missing or not executable"
for tool in ffmpeg ffprobe; do
  [ -x "$prefix/bin/Helpers/$tool" ] || fail "bin/Helpers/$tool missing or not executable"
done

# The desktop entry.
entry="$prefix/share/applications/vantrel.desktop"
[ -f "$entry" ] || fail "no desktop entry"
report="$(desktop-file-validate "$entry" 2>&1)" || fail "desktop-file-validate: $report"
if printf '%s\n' "$report" | grep -qi 'error'; then fail "desktop-file-validate: $report"; fi
value() { sed -n "s/^$1=//p" "$entry"; }
[ "$(value Type)" = Application ] || fail "Type"
[ "$(value Name)" = Vantrel ] || fail "Name is '$(value Name)'"
[ "$(value Categories)" = "AudioVideo;Video;" ] || fail "Categories are '$(value Categories)'"
[ "$(value Exec)" = vantrel ] || fail "Exec is '$(value Exec)' (no file arguments: the program has no command line)"
! grep -q '^MimeType=' "$entry" || fail "the entry claims file types"
[ -x "$prefix/bin/$(value Exec)" ] || fail "Exec names no installed program"

# The icons it names, light and dark, at every size, each PNG exactly that size.
icon="$(value Icon)"
[ "$icon" = vantrel ] || fail "Icon is '$icon'"
theme="$prefix/share/icons/hicolor"
for name in "$icon" "$icon-dark"; do
  [ -s "$theme/scalable/apps/$name.svg" ] || fail "no scalable $name.svg"
  for size in 16 24 32 48 64 128 256 512; do
    png="$theme/${size}x${size}/apps/$name.png"
    [ -s "$png" ] || fail "no $png"
    # Signature, then the header chunk: width and height as 32-bit big-endian numbers at bytes 16 and 20.
    [ "$(od -An -tx1 -N8 "$png" | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "$png is not a PNG"
    dims="$(od -An -tu1 -j16 -N8 "$png" | awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}')"
    [ "$dims" = "$size $size" ] || fail "$png is $dims, not $size x $size"
  done
done
# The light and dark icons differ.
! cmp -s "$theme/256x256/apps/$icon.png" "$theme/256x256/apps/$icon-dark.png" || fail "light and dark icons are the same"

# The installed program, started away from the build tree with a home of its
# own, finds all of its help.
home="$work/home"
mkdir -p "$home" "$work/run"
chmod 700 "$work/run"
topics="$(grep -c '"id":' "$root/src/Vantrel/help/help-manifest.json")"
(cd "$work" && exec env HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
   XDG_CACHE_HOME="$home/.cache" XDG_RUNTIME_DIR="$work/run" DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-bus" \
   QT_QPA_PLATFORM=offscreen QT_LOGGING_RULES="vantrel.help.info=true" \
   "$prefix/bin/vantrel" >"$work/out.log" 2>"$work/err.log") &
app_pid=$!
for _ in $(seq 600); do
  grep -q 'Help' "$work/err.log" 2>/dev/null && break
  kill -0 "$app_pid" 2>/dev/null || break
  sleep 0.1
done
if ! grep -q "Help: $topics topics from :/help" "$work/err.log"; then
  cat "$work/err.log" >&2
  fail "the installed program did not find its $topics help topics"
fi
echo "install: ok"
