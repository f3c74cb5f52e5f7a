#!/usr/bin/env bash
# kdx killed at its N-th write: each changing command runs under strace with
# SIGKILL injected just before its N-th pwrite64, for every N (or, for a
# command with many writes, an even spread of them and all of the last ones).
# The document is then opened again: it must be sound, and hold exactly what
# it held before the command or after it, entry by entry (an import saves in
# batches; each entry is either not there yet or there whole).
#
# Usage: kdx_crash_test.sh KDX. Exit 77 (skipped) without a usable strace.
set -uo pipefail

kdx=$1
command -v strace >/dev/null || { echo "strace is not installed"; exit 77; }
strace -f -o /dev/null true 2>/dev/null || { echo "strace cannot trace here"; exit 77; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
export XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state
printf 'Door42\n' > pw.txt
mkdir -p in/Notes
printf '会議のメモ\n' > in/Notes/a.txt
printf 'second\n' > in/Notes/b.txt
printf 'third file\n' > in/c.txt

# The base document: a few entries, one encrypted, some with notes.
"$kdx" new base.kdx >/dev/null || exit 1
for i in 0 1 2 3 4; do
  args=(add base.kdx --title "entry $i" --cat1 "c$((i % 2))")
  ((i % 2 == 0)) && args+=(--note "note $i")
  ((i == 3)) && args+=(--encrypt)
  printf 'text of entry %d %s\n' "$i" "$(printf 'x%.0s' $(seq 1 $((i * 40))))" |
    "$kdx" "${args[@]}" >/dev/null || exit 1
done

# What a document holds, dates aside: one line per entry (its list row and
# its text), then the password state; "unreadable" when it cannot be opened.
dump() {
  local doc=$1 id row text
  if ! "$kdx" --password-file pw.txt list "$doc" --columns en_id,en_title,en_cat1_name,en_bo_block_size,en_encrpyt,en_note,en_co_id,en_encoding \
    --sort en_id:asc >list.txt 2>/dev/null; then
    echo unreadable
    return
  fi
  while IFS=$'\t' read -r id row; do
    text=$("$kdx" --password-file pw.txt show "$doc" "$id" 2>&1 | tr '\n' '|')
    printf 'entry %s\t%s\t%s\n' "$id" "$row" "$text"
  done < <(tail -n +2 list.txt)
  "$kdx" --password-file pw.txt info "$doc" | grep password
}

# True when every entry of now is as in before or as in after, and none that
# both hold is missing; the password as before or after.
either() {
  local before=$1 after=$2 now=$3 line id
  [[ "$now" == unreadable ]] && return 1
  while IFS= read -r line; do
    grep -qxF -- "$line" <<<"$before" || grep -qxF -- "$line" <<<"$after" || return 1
  done <<<"$now"
  while IFS= read -r line; do
    [[ $line == entry* ]] || continue
    id=$(cut -f1 <<<"$line")
    grep -q "^$id	" <<<"$after" || continue
    grep -q "^$id	" <<<"$now" || return 1
  done <<<"$before"
  [[ $(grep -c '^  password' <<<"$now") == 1 ]]
}

# The commands, each on doc.kdx.
commands=(
  "rm doc.kdx 1"
  "cp doc.kdx 2"
  "label doc.kdx 0 4 --set 3"
  "encrypt doc.kdx 0"
  "decrypt doc.kdx 3"
  "import doc.kdx in/Notes in/c.txt"
  "passwd doc.kdx --new-password-file pw.txt"
  "add doc.kdx --title added --note n"
)

failures=0
for cmd in "${commands[@]}"; do
  read -r -a argv <<<"$cmd"
  cp base.kdx doc.kdx
  before=$(dump doc.kdx)
  strace -f -qq -o trace.txt -e trace=pwrite64 "$kdx" "${argv[@]}" </dev/null >/dev/null 2>&1 ||
    { echo "FAIL: $cmd does not run"; failures=$((failures + 1)); continue; }
  after=$(dump doc.kdx)
  writes=$(grep -c pwrite64 trace.txt)
  if [[ "$before" == "$after" || $writes -lt 1 ]]; then
    echo "FAIL: $cmd changed nothing ($writes writes)"
    failures=$((failures + 1))
    continue
  fi
  # Every write point up to 40; beyond that a spread and the last 15.
  points=$(seq 1 "$writes")
  if ((writes > 40)); then
    points=$( (seq 1 $(((writes + 24) / 25)) "$writes"; seq $((writes - 14)) "$writes") | sort -nu)
  fi
  checked=0
  for n in $points; do
    rm -f doc.kdx doc.kdx-journal
    cp base.kdx doc.kdx
    # The subshell's shell, not this one, reports the kill (to /dev/null).
    (
      strace -f -qq -o /dev/null -e inject=pwrite64:signal=SIGKILL:when="$n" \
        "$kdx" "${argv[@]}" </dev/null >/dev/null 2>&1
      :
    ) 2>/dev/null
    now=$(dump doc.kdx)
    if ! either "$before" "$after" "$now"; then
      echo "FAIL: $cmd killed at write $n of $writes: an entry neither as before nor as after"
      diff <(echo "$before") <(echo "$now") | head -n 10
      failures=$((failures + 1))
    fi
    if ! "$kdx" --password-file pw.txt check doc.kdx >check.txt 2>&1; then
      echo "FAIL: $cmd killed at write $n of $writes: not sound"
      head -n 5 check.txt
      failures=$((failures + 1))
    fi
    checked=$((checked + 1))
  done
  echo "$cmd: $writes writes, killed at $checked of them"
done
exit $((failures > 0))
