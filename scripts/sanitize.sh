#!/usr/bin/env bash
# Builds the library, engine and command-line tests and the seeded random run (tools/fuzz)
# with AddressSanitizer and UndefinedBehaviorSanitizer into build-asan/, then runs them. Every
# report is fatal, so any finding ends this script with a non-zero status.
#   DWELK_FUZZ_SEED   seed of the random run (default: from the checked-out commit)
#   DWELK_FUZZ_COUNT  inputs of the random run (default 100000)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

build=build-asan
sanitize="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=g++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS="$sanitize" -DCMAKE_EXE_LINKER_FLAGS="$sanitize" \
  -DDWELK_WERROR=ON -DBUILD_TESTING=ON -DDWELK_BENCHMARKS=OFF >/dev/null

# Only the tests of these folders are built; the widget tests stay out.
select=(-L '^(lib|engine|cli)$' -LE gui)
mapfile -t tests < <(ctest --test-dir "$build" -N "${select[@]}" 2>/dev/null |
  sed -n 's/^ *Test *#[0-9]*: //p')
if [ ${#tests[@]} -eq 0 ]; then
  echo "sanitize: no tests selected" >&2
  exit 1
fi
cmake --build "$build" --parallel "$(nproc)" --target "${tests[@]}" random_inputs

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
ctest --test-dir "$build" --output-on-failure --parallel "$(nproc)" "${select[@]}"

# The random run, shared between one process per processor.
seed=${DWELK_FUZZ_SEED:-$((16#$(git rev-parse --short=8 HEAD 2>/dev/null || echo 0)))}
total=${DWELK_FUZZ_COUNT:-100000}
shares=$(nproc)
share=$(((total + shares - 1) / shares))
pids=()
for ((i = 0; i < shares; ++i)); do
  "$build/bin/random_inputs" --seed "$seed" --from $((i * share)) --count "$share" \
    tests/data/forms tests/data/pages &
  pids+=($!)
done
status=0
for pid in "${pids[@]}"; do
  wait "$pid" || status=1
done
exit $status
