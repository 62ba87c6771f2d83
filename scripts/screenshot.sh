#!/usr/bin/env bash
# Builds, starts the window under Xvfb in a fresh program folder and saves its pictures:
# docs/window.png (shown in README), the Clipboard page with a converted result
# (docs/clipboard.png), the settings pages (docs/settings-html1.png, docs/settings-html2.png),
# a form saved in binary (docs/binary-form.png), the publishing dialog and the site it
# publishes in the preview (docs/publish.png, docs/publish-site.png) and the window on a
# screen scaled 2 (docs/window-2x.png).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
mkdir -p docs
export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:---no-sandbox}"
xvfb-run -a -s "-screen 0 1280x800x24" env QT_QPA_PLATFORM=xcb \
  build/tests/window_screenshot docs/window.png docs/clipboard.png docs/settings-html1.png \
  docs/settings-html2.png
xvfb-run -a -s "-screen 0 1280x800x24" env QT_QPA_PLATFORM=xcb \
  build/tests/window_screenshot docs/binary-form.png tests/data/forms/about.dfm
xvfb-run -a -s "-screen 0 1280x800x24" env QT_QPA_PLATFORM=xcb \
  build/tests/window_screenshot docs/publish.png publish
xvfb-run -a -s "-screen 0 2560x1600x24" env QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=2 \
  build/tests/window_screenshot docs/window-2x.png
echo "Saved docs/window.png, docs/clipboard.png, docs/settings-html1.png, docs/settings-html2.png"
echo "docs/binary-form.png, docs/publish.png, docs/publish-site.png and docs/window-2x.png"
