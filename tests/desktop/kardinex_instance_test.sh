#!/usr/bin/env bash
# A second kardinex hands its document to the one running and ends; the
# running one opens it, and the desktop's recently-used list names it.
set -euo pipefail
app=$1
kdx=$2
work=$(mktemp -d)
pid=
cleanup() {
  local status=$?
  if [[ -n "$pid" ]]; then
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  fi
  rm -rf "$work"
  exit "$status"
}
trap cleanup EXIT
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$work/run XDG_CONFIG_HOME=$work/config \
  XDG_DATA_HOME=$work/data XDG_STATE_HOME=$work/state
mkdir -m 700 "$work/run"
"$kdx" new "$work/one.kdx" >/dev/null
"$kdx" new "$work/two.kdx" >/dev/null

"$app" "$work/one.kdx" &
pid=$!
waitfor() {
  for _ in $(seq 200); do
    if eval "$1"; then return 0; fi
    sleep 0.1
  done
  echo "FAIL: $2" >&2
  exit 1
}
waitfor 'grep -qs one.kdx "$work/data/recently-used.xbel"' "the first instance did not open one.kdx"

start=$SECONDS
timeout 20 "$app" "$work/two.kdx" || { echo "FAIL: the second start did not end by itself" >&2; exit 1; }
(( SECONDS - start < 10 )) || { echo "FAIL: the second start took $((SECONDS - start)) s" >&2; exit 1; }
waitfor 'grep -qs two.kdx "$work/data/recently-used.xbel"' "the running instance did not open two.kdx"
kill -0 "$pid" || { echo "FAIL: the first instance ended" >&2; exit 1; }
echo "PASS"
