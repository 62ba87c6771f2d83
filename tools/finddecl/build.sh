#!/bin/sh
# Builds the find-declaration driver against Debian's lazarus-src-2.2 into
# OUT (default build/finddecl, outside the sources and ignored by git).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here/../../build/finddecl}
laz=${LAZARUS_DIR:-/usr/lib/lazarus/2.2.6}
mkdir -p "$out/units"
fpc -Mobjfpc -Sh -O1 -ve \
  -Fu"$laz/components/codetools" -Fi"$laz/components/codetools" \
  -Fu"$laz/components/lazutils" -Fi"$laz/components/lazutils" \
  -FU"$out/units" -FE"$out" "$here/finddecl.lpr"
echo "$out/finddecl"
