#!/usr/bin/env bash
# Every kdx example of the README, run as a reader would type it, in order, in
# one folder: the lines of its ```sh blocks that call kdx, comments removed.
# The files and folders they name are made first (a folder tree of Japanese
# and English notes, RTF, an RTFD package, version-2 export files). Each
# example must exit with 0. A password, once set by the interactive
# `kdx passwd`, is typed at a terminal (script(1) gives one) and then given
# with --password-file, as a script would.
#
# Usage: kdx_readme_test.sh KDX README.md
set -uo pipefail

kdx=$(realpath "$1")
readme=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state
mkdir -p "$HOME" "$work/bin" "$work/docs"
cd "$work/docs" || exit 1

# What the examples name.
mkdir -p "$HOME/メモ/仕事" "$HOME/メモ/English" "$HOME/old-export" "$HOME/out" "$HOME/backup" "$HOME/tree"
printf '会議の議事録です。\n要確認の件。\n' | iconv -t SHIFT_JIS >"$HOME/メモ/仕事/会議.txt"
printf 'Minutes of the meeting.\n' >"$HOME/メモ/English/minutes.txt"
printf '議事録のメモ\n' >a.txt
printf '{\\rtf1\\ansi {\\b Bold} 議事録}' >b.rtf
mkdir -p x.rtfd && printf '{\\rtf1\\ansi package}' >x.rtfd/TXT.rtf
v2=$'本文\r【バージョン】 0200\r【文章名】 古いメモ\r【分類１】 一\r【分類２】 二\r【分類３】 三\r【キーワード】 \r【ノート】 \r【折り返し】 0\r【折り返し幅】 40\r【ラベル】 0\r【作成日】 20010203040506\r【修正日】 20010203040506\r【見た日】 20010203040506\r【使った日】 20010203040506\r\r'
printf '%s' "$v2" | iconv -t SHIFT_JIS >"$HOME/old-export/old.txt"
printf '#!/bin/sh\nprintf "%%s\\n" "Added by the editor." >>"$1"\n' >"$work/editor.sh"
chmod +x "$work/editor.sh"
export EDITOR=$work/editor.sh VISUAL=
pw=$work/pw.txt
printf 'Door42\n' >"$pw"

# kdx as the examples call it.
cat >"$work/bin/kdx" <<WRAPPER
#!/usr/bin/env bash
if [[ "\$1" == passwd && "\$*" != *--new-password-file* && "\$*" != *--remove* ]]; then
  printf 'Door42\nDoor42\n' | script -qec "\$(printf '%q ' "$kdx" --password-file "$pw" "\$@")" /dev/null >/dev/null
  exit
fi
exec "$kdx" --password-file "$pw" "\$@"
WRAPPER
chmod +x "$work/bin/kdx"
export PATH=$work/bin:$PATH

mapfile -t examples < <(awk '
  /^```/ { inside = !inside && $0 == "```sh"; next }
  inside && /(^|\| *)kdx / { print }
' "$readme" | sed -E 's/[[:space:]]+#[[:space:]].*$//')
if ((${#examples[@]} < 10)); then
  echo "FAIL: only ${#examples[@]} examples found in $readme"
  exit 1
fi

failures=0
for example in "${examples[@]}"; do
  output=$(bash -o pipefail -c "$example" 2>&1 </dev/null)
  status=$?
  if ((status != 0)); then
    echo "FAIL (exit $status): $example"
    sed 's/^/    /' <<<"$output" | head -n 5
    failures=$((failures + 1))
  fi
done
echo "${#examples[@]} examples, $failures failed"
# What they made must be sound, and the password typed at the terminal set.
"$kdx" --password-file "$pw" check notes.kdx || failures=$((failures + 1))
if ! "$kdx" info notes.kdx | grep -q '^  password *set$'; then
  echo "FAIL: kdx passwd did not set the password typed at the terminal"
  failures=$((failures + 1))
fi
exit $((failures > 0))
