#!/usr/bin/env bash
# Runs a command on the X server in $DISPLAY under the openbox window manager:
# the command starts once openbox manages the screen (openbox's start-up command
# says so through a pipe), with VANTREL_WINDOW_MANAGER=openbox in its
# environment; openbox ends with it, and its exit status is the script's.
# Usage: with_openbox.sh COMMAND [ARGUMENTS...]
set -u
command -v openbox >/dev/null || { echo "with_openbox: openbox is not installed (scripts/install-deps)" >&2; exit 1; }
home="$(mktemp -d)"
trap 'rm -rf "$home"' EXIT
mkfifo "$home/ready"
exec 3<>"$home/ready"
# Its own configuration and cache folders: nothing of the user's is read or written.
XDG_CONFIG_HOME="$home" XDG_CACHE_HOME="$home" \
  openbox --sm-disable --startup "sh -c 'echo up > $home/ready'" >"$home/openbox.log" 2>&1 &
wm=$!
if ! read -r -t 30 -u 3 _; then
  echo "with_openbox: openbox did not start" >&2
  cat "$home/openbox.log" >&2
  kill "$wm" 2>/dev/null
  exit 1
fi
VANTREL_WINDOW_MANAGER=openbox "$@"
status=$?
kill "$wm"
wait "$wm" 2>/dev/null
exit "$status"
