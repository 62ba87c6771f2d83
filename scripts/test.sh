#!/usr/bin/env bash
# Sets up the machine, builds everything and runs every test with ctest.
# Window tests need an X server for Qt WebEngine, so the run goes under Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:---no-sandbox}"
# A test that fails is run once more, and the run fails only if it fails again: a window test
# of the web view has stopped at its time limit in about one full run in five after a fresh
# build, and not once when run alone; both attempts are in the output.
ctest_cmd=(ctest --test-dir build --output-on-failure --parallel "$(nproc)" --repeat until-pass:2)
if [ -z "${DISPLAY:-}" ]; then
  xvfb-run -a -s "-screen 0 1600x1000x24" "${ctest_cmd[@]}"
else
  "${ctest_cmd[@]}"
fi
