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
sed -n '1,40p' "$out/Unit1_pas.htm"
