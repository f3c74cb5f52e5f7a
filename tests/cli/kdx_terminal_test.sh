#!/usr/bin/env bash
# kdx at a terminal (script(1) gives one): removing several entries picked by
# category is asked about there, and only a yes removes them; without a
# terminal it is refused unless --yes is given.
#
# Usage: kdx_terminal_test.sh KDX
set -uo pipefail

kdx=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state
mkdir -p "$HOME"
doc=$work/notes.kdx
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

"$kdx" new "$doc" >/dev/null || exit 1
for title in one two; do
  printf 'x' | "$kdx" add "$doc" --title "$title" --cat1 work >/dev/null || exit 1
done
count() { "$kdx" list "$doc" --no-header --columns id | wc -l; }

# The answer typed at the terminal, kdx's exit status and what it showed.
at_terminal() {
  printf '%s\n' "$1" | script -qec "$(printf '%q ' "$kdx" rm "$doc" --cat1 work)" /dev/null
}
shown=$(at_terminal n)
[[ $shown == *"Remove 2 entries? [y/N]"* ]] || fail "no question at the terminal: $shown"
[[ $(count) == 2 ]] || fail "removed after a no"
"$kdx" rm "$doc" --cat1 work </dev/null >/dev/null 2>&1 && fail "removed without a terminal"
[[ $(count) == 2 ]] || fail "removed without a terminal"
at_terminal y >/dev/null
[[ $(count) == 0 ]] || fail "not removed after a yes"

echo "$failures failed"
((failures == 0))
