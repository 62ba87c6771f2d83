#!/usr/bin/env bash
# Builds, starts the window under Xvfb in a fresh program folder and saves its picture as
# docs/window.png (shown in README), then the same with a form saved in binary.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
mkdir -p docs
export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:---no-sandbox}"
xvfb-run -a -s "-screen 0 1280x800x24" env QT_QPA_PLATFORM=xcb \
  build/tests/window_screenshot docs/window.png
xvfb-run -a -s "-screen 0 1280x800x24" env QT_QPA_PLATFORM=xcb \
  build/tests/window_screenshot docs/binary-form.png tests/data/forms/about.dfm
echo "Saved docs/window.png and docs/binary-form.png"
