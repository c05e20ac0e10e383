#!/usr/bin/env bash
# scripts/check-include-graph on small made-up trees: folders including each other
# one way pass; a cycle fails and names the includes that close it, whether they
# are written from the include root or relative to the file, over two folders or
# three; an include of something outside the folders, a folder including itself
# and a commented-out include make no arrow.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
check="$root/scripts/check-include-graph"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

# put FILE TEXT: a source file below the made-up tree.
put() { mkdir -p "$(dirname "$work/$1")"; printf '%s\n' "$2" > "$work/$1"; }

put App/app/Main.cpp '#include "App/views/Window.h"
#include "App/app/Main.h"
#include <QWidget>'
put App/app/Main.h '#pragma once'
put App/views/Window.h '#include "App/model/Model.h"
#include "Other/Thing.h"'
put App/model/Model.h '#include "../queue/Queue.h"'
put App/queue/Queue.h '// #include "App/app/Main.h" (left out on purpose)
#include "App/tools/Tool.h"'
put App/tools/Tool.h '#pragma once'
put Other/Thing.h '#include "App/app/Main.h"'

out="$("$check" --print "$work/App")" || fail "a one-way tree fails: $out"
grep -qx 'model -> queue' <<<"$out" || fail "a relative include makes no arrow: $out"
grep -qx 'queue -> tools' <<<"$out" || fail "arrows are missing: $out"
grep -q 'app -> app\|views -> Other' <<<"$out" && fail "an arrow to itself or outside the folders: $out"

# Two folders including each other.
put App/tools/Tool.cpp '#include "App/queue/Queue.h"'
if out="$("$check" "$work/App" 2>&1)"; then fail "a cycle of two passes: $out"; fi
grep -q 'include each other: queue, tools' <<<"$out" || fail "the cycle is not named: $out"
grep -q 'tools -> queue: tools/Tool.cpp:1 includes App/queue/Queue.h' <<<"$out" || fail "the closing include is not named: $out"
rm "$work/App/tools/Tool.cpp"

# Three, one of the arrows written relative to the file.
put App/queue/Back.cpp '#include "../views/Window.h"'
if out="$("$check" "$work/App" 2>&1)"; then fail "a cycle of three passes: $out"; fi
grep -q 'include each other: model, queue, views' <<<"$out" || fail "the cycle of three is not named: $out"
grep -q 'app' <<<"$(grep 'include each other' <<<"$out")" && fail "a folder outside the cycle is named: $out"
echo "ok"
