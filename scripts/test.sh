#!/usr/bin/env bash
# Builds the program and every test, then runs the tests; then builds and runs them all again under
# AddressSanitizer and UndefinedBehaviorSanitizer, in a build directory of their own (<build>-asan).
# Usage: scripts/test.sh [build-directory]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

# Every source as .clang-format lays it out.
scripts/install-deps.sh clang-format
find src tests tools bench \( -name '*.cpp' -o -name '*.h' \) -print0 | xargs -0 clang-format --dry-run --Werror

# The board (firmware and emulator) is part of what the tests drive.
scripts/install-board-deps.sh
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$(nproc)"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"

# A memory error, a leak or undefined behaviour fails the test that meets it.
cmake -S . -B "$build-asan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTRANO_SANITIZE=ON
cmake --build "$build-asan" -j"$(nproc)"
export ASAN_OPTIONS=check_initialization_order=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1
ctest --test-dir "$build-asan" --output-on-failure -j"$(nproc)"
