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
ctest --output-on-failure --timeout 180 ${CTEST_ARGS:-} </dev/null
