#!/usr/bin/env bash
# Rewrites the golden pages under tests/data/pages from their sources with the current
# converter, for review with `git diff` before committing.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh >/dev/null
build/bin/pas2html -q tests/data/pages
git status --short tests/data/pages
