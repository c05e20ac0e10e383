#!/usr/bin/env bash
# Once the dependencies are installed, install-deps finds them all present and
# calls neither apt-get nor sudo: stand-ins for both fail the test if they run.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
stubs="$(mktemp -d)"
trap 'rm -rf "$stubs"' EXIT
for tool in apt-get sudo; do
  printf '#!/bin/sh\necho "install-deps ran %s $*" >&2\nexit 1\n' "$tool" > "$stubs/$tool"
  chmod +x "$stubs/$tool"
done
output="$(PATH="$stubs:$PATH" bash "$root/scripts/install-deps" 2>&1)" || { echo "$output"; exit 1; }
echo "$output"
[ "$output" = "install-deps: everything is present" ]
