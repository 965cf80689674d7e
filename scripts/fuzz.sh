#!/usr/bin/env bash
# Builds the libFuzzer targets in fuzz/ with clang and runs each for a bounded time, starting from the
# seed corpus in fuzz/corpus/<target>. Exits non-zero when a target crashes, hangs or fails one of its
# checks; the input that did it is left in the build directory as <target>-crash-*.
# Usage: scripts/fuzz.sh [seconds-per-target] [target ...]   default: 60 s for every target
#        scripts/fuzz.sh --coverage [target ...]             line coverage of the corpus gathered so far
# FUZZ_BUILD sets the build directory (default build-fuzz).
set -euo pipefail
cd "$(dirname "$0")/.."
coverage=false
if [ "${1:-}" = --coverage ]; then
    coverage=true
    shift
fi
seconds=60
if [ $# -gt 0 ] && [ "$coverage" = false ]; then
    seconds=$1
    shift
fi
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(profilefile numbertext rigreply)
build=${FUZZ_BUILD:-build-fuzz}

scripts/install-deps.sh clang libclang-rt-14-dev llvm
cmake -S fuzz -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$(nproc)"

if [ "$coverage" = true ]; then
    cmake -S fuzz -B "$build/coverage" -DCMAKE_CXX_COMPILER=clang++ -DVELTRANO_FUZZ_COVERAGE=ON
    cmake --build "$build/coverage" -j"$(nproc)"
    for target in "${targets[@]}"; do
        mkdir -p "$build/corpus/$target"
        LLVM_PROFILE_FILE="$build/coverage/$target.profraw" "$build/coverage/fuzz_$target" -runs=0 \
            "$build/corpus/$target" "fuzz/corpus/$target" 2>/dev/null
        llvm-profdata merge -o "$build/coverage/$target.profdata" "$build/coverage/$target.profraw"
        echo "== fuzz_$target: coverage of the code it fuzzes"
        llvm-cov report "$build/coverage/fuzz_$target" -instr-profile="$build/coverage/$target.profdata" \
            src/common/NumberText.cpp src/settings/ProfileFile.cpp src/rig/RigReply.cpp
    done
    exit 0
fi

failed=()
for target in "${targets[@]}"; do
    # What the fuzzer finds goes to the build directory's corpus, which grows from run to run; the
    # seeds in the repository stay as they are.
    mkdir -p "$build/corpus/$target"
    log="$build/$target.log"
    echo "== fuzz_$target for $seconds s (log: $log)"
    if ! "$build/fuzz_$target" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
        -dict="fuzz/$target.dict" -artifact_prefix="$build/$target-" \
        "$build/corpus/$target" "fuzz/corpus/$target" > "$log" 2>&1; then
        tail -n 60 "$log"
        failed+=("$target")
    fi
    grep -E '^#[0-9]+[[:space:]]+(INITED|DONE) |^stat::(number_of_executed_units|average_exec_per_sec)' "$log" || true
done
if [ ${#failed[@]} -gt 0 ]; then
    echo "Fuzzing failed: ${failed[*]} (the inputs are in $build/)" >&2
    exit 1
fi
