#!/usr/bin/env bash
# Lists the interface texts of src/ that translations/kardinex_en.ts lacks, as
# TS <message> elements ready to paste into its context (fill in each
# <translation> and drop type="unfinished"). Translations whose placeholders
# differ from their text are reported on standard error.
#   tools/translations/missing_keys.sh [BUILD_DIR]   (default: build)
# The list comes from the build's kdx_i18n_tests, which is built first, so
# that an edited .ts is compiled in again.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
cmake --build "$build" --target kdx_i18n_tests >/dev/null
output=$("$build/tests/kdx_i18n_tests" --gtest_filter='Translation.EveryInterfaceTextHasAnEnglishText' 2>&1 || true)
awk '/-----BEGIN MISSING TS MESSAGES-----/ { inside = 1; next }
     /-----END MISSING TS MESSAGES-----/ { inside = 0 }
     inside' <<<"$output"
grep -E ': ".*" -> ".*": ' <<<"$output" >&2 || true
