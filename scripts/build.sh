#!/usr/bin/env bash
# Configures and builds the project with its tests and benchmarks into build/ (binaries in
# build/bin/); DWELK_WERROR=ON turns warnings into errors.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DDWELK_WERROR="${DWELK_WERROR:-OFF}" \
  -DBUILD_TESTING=ON -DDWELK_BENCHMARKS=ON >/dev/null
cmake --build build --parallel "$(nproc)"
