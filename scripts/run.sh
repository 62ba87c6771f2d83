#!/usr/bin/env bash
# Sets up the machine, builds, and shows the converter at work.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
build/bin/pas2html --help
out=$(mktemp -d)
build/bin/pas2html -v -o "$out" examples/Unit1.pas
echo
echo "Page written: $out/Unit1_pas.htm"
# The page is in windows-1251, like its source; shown here in the terminal's UTF-8.
iconv -f WINDOWS-1251 -t UTF-8 "$out/Unit1_pas.htm" | sed -n '1,40p'
