#!/usr/bin/env bash
# Builds the console and runs the whole test suite.
#   ./test.sh              normal build in build/
#   ./test.sh --sanitize   AddressSanitizer + UndefinedBehaviorSanitizer build in build-sanitize/
#   ./test.sh --fuzz       clang build of the libFuzzer harnesses in build-fuzz/, each run for
#                          FUZZ_SECONDS (default 30) from its seed corpus
set -euo pipefail
cd "$(dirname "$0")"

mode=normal
for arg in "$@"; do
  case "$arg" in
    --sanitize) mode=sanitize ;;
    --fuzz) mode=fuzz ;;
    -h|--help) sed -n '2,6p' "$0"; exit 0 ;;
    *) echo "unknown option: $arg" >&2; exit 2 ;;
  esac
done

tools/deps.sh cmake ninja-build g++ pkg-config qtbase5-dev qtbase5-dev-tools libqt5svg5-dev \
  libbenchmark-dev fonts-dejavu-core fonts-cantarell fonts-liberation2
[ "$mode" = fuzz ] && tools/deps.sh clang-14 libclang-rt-14-dev

jobs=$(nproc)
case "$mode" in
  normal)
    build=build
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo ;;
  sanitize)
    build=build-sanitize
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPOKAVRO_SANITIZE=ON -DPOKAVRO_BENCH=OFF ;;
  fuzz)
    build=build-fuzz
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++-14 \
      -DPOKAVRO_FUZZ=ON -DPOKAVRO_TESTS=OFF -DPOKAVRO_BENCH=OFF ;;
esac
cmake --build "$build" -j "$jobs"
[ "$mode" = fuzz ] && exec fuzz/run.sh "$build"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure -j "$jobs"
