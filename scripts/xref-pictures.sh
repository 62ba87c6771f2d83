#!/usr/bin/env bash
# Publishes four units of Free Pascal's fcl-base (Debian's fpc-source-3.2.2) as a code browser
# and takes README's pictures of it in a web view under Xvfb: a page with a link's title shown
# as its tooltip (docs/xref-title.png) and a references page (docs/xref-refs.png).
set -euo pipefail
cd "$(dirname "$0")/.."
src=/usr/share/fpcsrc/3.2.2/packages/fcl-base/src
if [ ! -d "$src" ]; then
  echo "xref-pictures: $src is missing (apt-get install fpc-source-3.2.2)" >&2
  exit 1
fi
cmake --build build --target pas2html page_screenshot
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/src"
cp "$src"/{csvdocument,csvreadwrite,inifiles,inicol}.pp "$work/src/"
build/bin/pas2html -q --site -o "$work/site" "$work/src"
export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:---no-sandbox}"
shot() {
  xvfb-run -a -s "-screen 0 1280x800x24" env QT_QPA_PLATFORM=xcb build/tests/page_screenshot "$@"
}
# The call of HasRow in TCSVDocument.CloneRow, its declaration's line in the tooltip.
shot docs/xref-title.png "file://$work/site/csvdocument_pp.htm" 0,-143,720,283 \
  '#L567 ~ a[href="#TCSVDocument.HasRow"]'
shot docs/xref-refs.png "file://$work/site/csvdocument_pp.refs.htm#TCSVDocument.HasRow" \
  0,0,720,300
echo "Saved docs/xref-title.png and docs/xref-refs.png"
