#!/usr/bin/env bash
# Builds everything and runs every test under Wine (throwaway prefix, private Xvfb).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
"$root/scripts/build.sh" --tests
out=${QR_BUILD_DIR:-$root/build}
source "$root/scripts/wine-session.sh"
trap qr_session_end EXIT
qr_session_begin "$out/tests/tests/quillrest_tests.exe" --gtest_list_tests
cd "$out/tests"
# CTEST_ARGS may hold quoted words, e.g. -R 'A|B'.
eval "ctest --output-on-failure --timeout 180 ${CTEST_ARGS:-}" </dev/null
