#!/usr/bin/env bash
# A long import stopped by SIGINT (Ctrl+C) and a long export stopped by
# SIGTERM: each stops after the item at hand with 130 or 143, says so, and
# keeps what it did: the document holds exactly the files the summary counts,
# and its check is clean, without leftovers.
#
# Usage: kdx_interrupt_test.sh KDX
set -uo pipefail
set -m  # background jobs get SIGINT as a terminal would send it, not ignored

kdx=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state
cd "$work" || exit 1
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

mkdir -p in out
for i in $(seq 1 2000); do printf 'file %d\n' "$i" >"in/f$i.txt"; done
"$kdx" new doc.kdx >/dev/null || exit 1
empty=$(stat -c %s doc.kdx)

# Ctrl+C once the first file is in the document file.
"$kdx" import doc.kdx in >import.out 2>import.err &
pid=$!
while kill -0 "$pid" 2>/dev/null && (($(stat -c %s doc.kdx) == empty)); do sleep 0.01; done
kill -INT "$pid"
wait "$pid"
status=$?
[[ $status == 130 ]] || fail "import stopped by SIGINT exited with $status"
grep -q '^kdx: interrupted by Ctrl+C (SIGINT): stopped after the item at hand; the files imported so far are saved$' import.err ||
  fail "import did not say it was interrupted: $(cat import.err)"
imported=$(sed -nE 's/^imported ([0-9]+), failed 0$/\1/p' import.out)
listed=$(("$("$kdx" list doc.kdx --columns en_id | wc -l)" - 1))
if [[ -z $imported ]] || ((imported == 0 || imported == 2000 || imported != listed)); then
  fail "import reported '$(cat import.out)' but the document lists $listed entries"
fi
check=$("$kdx" check doc.kdx)
[[ $check == "doc.kdx: sound" ]] || fail "after the interrupted import: $check"

# SIGTERM once the first file is written, from a document of every file so
# that the export is long whenever the import was stopped.
"$kdx" new all.kdx >/dev/null && "$kdx" import all.kdx in >/dev/null || exit 1
listed=2000
"$kdx" export all.kdx out --format utf8 >export.out 2>export.err &
pid=$!
while kill -0 "$pid" 2>/dev/null && [[ -z $(ls out) ]]; do sleep 0.01; done
kill -TERM "$pid"
wait "$pid"
status=$?
[[ $status == 143 ]] || fail "export stopped by SIGTERM exited with $status"
grep -q '^kdx: interrupted by SIGTERM: ' export.err || fail "export did not say it was interrupted"
exported=$(sed -nE 's/^exported ([0-9]+), failed 0$/\1/p' export.out)
written=$(find out -type f | wc -l)
if [[ -z $exported ]] || ((exported == listed || exported != written)); then
  fail "export reported '$(cat export.out)' and wrote $written files of $listed"
fi
check=$("$kdx" check all.kdx)
[[ $check == "all.kdx: sound" ]] || fail "after the interrupted export: $check"

echo "import stopped after $imported files, export after $exported; $failures failures"
exit $((failures > 0))
