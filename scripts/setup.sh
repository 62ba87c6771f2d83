#!/usr/bin/env bash
# Installs every Debian package the project needs, skipping what is already there.
# The one list of packages lives here; README, tests and CI all go through this script.
set -euo pipefail

PACKAGES=(
  # build tools; the format check of .ci/run
  cmake ninja-build g++ pkg-config clang-format
  # Qt 6: widgets, web view, HTML editor control
  qt6-base-dev qt6-base-dev-tools libgl-dev
  qt6-webengine-dev qt6-webengine-dev-tools
  # the program icon, drawn from its SVG picture (the library brings the SVG plugins)
  qt6-svg-dev
  libqscintilla2-qt6-dev
  qt6-translations-l10n
  # headless GUI tests
  xvfb xauth
  # the Debian package, its lintian check and the checks of its desktop entry and metainfo
  dpkg-dev desktop-file-utils appstream lintian
  # fonts the window asks for by name, substituted through fontconfig
  fonts-liberation2 fonts-dejavu-core fontconfig
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "setup: installing ${missing[*]}" >&2
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
