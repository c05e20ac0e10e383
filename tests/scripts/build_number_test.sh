#!/usr/bin/env bash
# The build number of a small project that uses cmake/VantrelBuildNumber.cmake the
# way the application does: the setting outside a git checkout ("1" by default),
# the commit count inside one, the new count after a commit on a plain rebuild
# (no new configure), nothing rewritten when the count stays, and never the count
# of an enclosing checkout the project is merely unpacked in.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" GIT_CONFIG_NOSYSTEM=1 GIT_AUTHOR_NAME=t GIT_AUTHOR_EMAIL=t@example.org \
       GIT_COMMITTER_NAME=t GIT_COMMITTER_EMAIL=t@example.org
mkdir -p "$HOME"

fail() { echo "FAIL: $*" >&2; exit 1; }

# make_project DIR: the project's sources in DIR.
make_project() {
  mkdir -p "$1"
  cat > "$1/CMakeLists.txt" <<CMAKE
cmake_minimum_required(VERSION 3.25)
project(BuildNumberProbe CXX)
include("$root/cmake/VantrelBuildNumber.cmake")
add_executable(probe main.cpp)
vantrel_build_number(probe)
CMAKE
  cat > "$1/main.cpp" <<'CPP'
#include <cstdio>
namespace vantrel { const char* buildNumberText() noexcept; }
int main() { std::puts(vantrel::buildNumberText()); }
CPP
}

# number SOURCES BUILD [cmake options]: configures (first time only), builds, runs.
number() {
  local sources="$1" build="$2"; shift 2
  if [ ! -f "$build/build.ninja" ]; then cmake -S "$sources" -B "$build" -G Ninja "$@" >/dev/null; fi
  cmake --build "$build" >/dev/null
  "$build/probe"
}

commit() { git -C "$1" commit -q --allow-empty -m "$2"; }

# Not a checkout: the setting, "1" when not given.
make_project "$work/plain"
[ "$(number "$work/plain" "$work/b-default")" = 1 ] || fail "default is not 1"
[ "$(number "$work/plain" "$work/b-set" -DVANTREL_BUILD_NUMBER=77)" = 77 ] || fail "setting not used"

# A setting that cannot be written into the program is refused when configuring.
if cmake -S "$work/plain" -B "$work/b-bad" -G Ninja '-DVANTREL_BUILD_NUMBER=7"; evil' >/dev/null 2>&1; then
  fail "a quote in the setting was accepted"
fi

# A checkout without commits yet still builds, with the setting.
make_project "$work/repo"
git -C "$work/repo" init -q
[ "$(number "$work/repo" "$work/b-repo" -DVANTREL_BUILD_NUMBER=5)" = 5 ] || fail "no commits: setting not used"

# The commit count, and the new count on the next build after each commit.
git -C "$work/repo" add -A && commit "$work/repo" one && commit "$work/repo" two
[ "$(number "$work/repo" "$work/b-repo")" = 2 ] || fail "two commits do not give 2"
commit "$work/repo" three
[ "$(number "$work/repo" "$work/b-repo")" = 3 ] || fail "a new commit is not picked up by a rebuild"

# An unchanged count rewrites nothing, so nothing is compiled again.
generated="$work/b-repo/VantrelBuildNumber.cpp"
before="$(stat -c %y "$generated")"  # with nanoseconds
[ "$(number "$work/repo" "$work/b-repo")" = 3 ] || fail "count changed without a commit"
[ "$(stat -c %y "$generated")" = "$before" ] || fail "unchanged number rewritten"

# Sources unpacked inside another checkout are not that checkout.
mkdir -p "$work/outer"
git -C "$work/outer" init -q && commit "$work/outer" a && commit "$work/outer" b && commit "$work/outer" c
make_project "$work/outer/vendor/app"
[ "$(number "$work/outer/vendor/app" "$work/b-outer")" = 1 ] || fail "the enclosing checkout's count was used"
echo "build number: ok"
