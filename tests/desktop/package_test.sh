#!/usr/bin/env bash
# The Debian package: the files cmake --install puts in place, under /usr and
# nowhere else, the libraries it needs named, and no scripts of its own.
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cpack --config "$build/CPackConfig.cmake" -B "$work" -G DEB >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; exit 1; }
deb=$(ls "$work"/kardinex_*.deb)
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\./, "", $6); print $6 }' | sort >"$work/files"

fail=0
expect() {
  grep -qx "$1" "$work/files" || { echo "FAIL: the package lacks $1" >&2; fail=1; }
}
expect /usr/bin/kardinex
expect /usr/bin/kdx
expect /usr/share/applications/kardinex.desktop
expect /usr/share/mime/packages/kardinex.xml
expect /usr/share/icons/hicolor/scalable/apps/kardinex.svg
for size in 16 24 32 48 64 128 256; do
  expect "/usr/share/icons/hicolor/${size}x${size}/apps/kardinex.png"
done
expect /usr/share/man/man1/kdx.1
expect /usr/share/bash-completion/completions/kdx
expect /usr/share/kardinex/ドキュメント/指南.pdf
expect /usr/share/kardinex/Documentation/Guide.pdf
if grep -v '^/usr/' "$work/files"; then
  echo "FAIL: files outside /usr (above)" >&2
  fail=1
fi

depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6widgets6 libqt6network6 qt6-qpa-plugins qt6-translations-l10n libssl3 libicu; do
  [[ "$depends" == *"$library"* ]] || { echo "FAIL: Depends lacks $library: $depends" >&2; fail=1; }
done
dpkg-deb -e "$deb" "$work/control"
for script in preinst postinst prerm postrm; do
  [[ ! -e "$work/control/$script" ]] || { echo "FAIL: the package runs a $script" >&2; fail=1; }
done
(( fail == 0 )) && echo PASS
exit "$fail"
