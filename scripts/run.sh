#!/usr/bin/env bash
# Sets up the machine, builds, and starts the window; it keeps its settings in
# build/bin/dwelk.ini beside the program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
# Qt WebEngine refuses its sandbox when run as root.
if [ "$(id -u)" -eq 0 ]; then
  export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:---no-sandbox}"
fi
exec build/bin/dwelk
