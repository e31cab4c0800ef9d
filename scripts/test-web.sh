#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The web page's tests: builds the page (scripts/web.sh) and the native VST module and
# bramsoliket-host it is compared with (default preset), then runs
# - the module tests under node (tests/web/*.test.mjs): the WebAssembly core, texts,
#   responses, worklet, hash, WAV reading and writing, header rates, against the native build;
# - the browser tests in headless Chromium on 127.0.0.1 (tests/web/browser_test.py): the
#   self-test's hashes against native renders, the page, its screenshot (kept as
#   build/web-tests/page-after-loading.png), saving, playing and the messages.
# Ends with one line "web: N passed, N failed".
set -uo pipefail
cd "$(dirname "$0")/.."

logs=build/web-tests
mkdir -p "$logs"

give_up() {
  echo "web: $1"
  echo "web: 0 passed, 1 failed"
  exit 1
}

bash scripts/web.sh || give_up "the page did not build"
{ cmake --preset default >/dev/null && cmake --build build/default -j2 --target BRAMSOLIKET bramsoliket-host; } ||
  give_up "the native module and bramsoliket-host did not build"

passed=0
failed=0
status=0

echo "== web module tests (node)"
BRAMSOLIKET_WEB_BUILD=build/web BRAMSOLIKET_HOST=build/default/bramsoliket-host \
BRAMSOLIKET_MODULE=build/default/BRAMSOLIKET.so \
  node --test --test-reporter=spec --test-reporter-destination=stdout \
    --test-reporter=tap --test-reporter-destination="$logs/node-tests.tap" tests/web/*.test.mjs || status=1
node_passed=$(sed -nE 's/^# pass ([0-9]+)$/\1/p' "$logs/node-tests.tap" | tail -n 1)
node_failed=$(sed -nE 's/^# fail ([0-9]+)$/\1/p' "$logs/node-tests.tap" | tail -n 1)
if [ -z "$node_passed" ] || [ -z "$node_failed" ]; then
  echo "web: the node tests gave no counts"
  node_passed=0
  node_failed=1
fi
passed=$((passed + node_passed))
failed=$((failed + node_failed))

echo "== web browser tests (headless Chromium)"
timeout 900 python3 tests/web/browser_test.py --site build/web --host build/default/bramsoliket-host \
  --module build/default/BRAMSOLIKET.so --artifacts "$logs" | tee "$logs/browser-tests.log"
[ "${PIPESTATUS[0]}" -eq 0 ] || status=1
browser=$(grep -E '^web-browser: [0-9]+ passed, [0-9]+ failed$' "$logs/browser-tests.log" | tail -n 1)
if [ -n "$browser" ]; then
  passed=$((passed + $(sed -E 's/.* ([0-9]+) passed.*/\1/' <<<"$browser")))
  failed=$((failed + $(sed -E 's/.* ([0-9]+) failed.*/\1/' <<<"$browser")))
else
  echo "web: the browser tests did not finish"
  failed=$((failed + 1))
fi
[ "$status" -eq 0 ] || [ "$failed" -gt 0 ] || failed=1

echo "web: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
