#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz and runs each for a while.
#   tests/fuzz/run.sh [seconds] [target ...]     default: 60 seconds, every target
#   tests/fuzz/run.sh --replay                   runs the saved reproducers once each
# Needs clang-14 and libclang-rt-14-dev (Debian). New corpus entries go to
# build-fuzz/corpus/<target>; crashes to build-fuzz/artifacts/. Copy a reproducer worth
# keeping into tests/fuzz/crashes/<target>/ and into the unit tests.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
build="${QUELLAR_FUZZ_BUILD:-$root/build-fuzz}"
targets_all=(fuzz_tokenizer fuzz_translator fuzz_numbers fuzz_format fuzz_cipher)

replay=0
seconds=60
if [ "${1:-}" = "--replay" ]; then
    replay=1
    shift
elif [[ "${1:-}" =~ ^[0-9]+$ ]]; then
    seconds="$1"
    shift
fi
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=("${targets_all[@]}")

for tool in clang-14 clang++-14; do
    command -v "$tool" >/dev/null || { echo "$tool is missing: apt-get install clang-14 libclang-rt-14-dev" >&2; exit 1; }
done

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 -DQUELLAR_FUZZ=ON >/dev/null
cmake --build "$build" -j "$(nproc)" --target "${targets[@]}"

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export QT_QPA_PLATFORM=offscreen

binary() { find "$build" -type f -name "$1" -perm -u+x | head -n 1; }

status=0
for target in "${targets[@]}"; do
    exe="$(binary "$target")"
    if [ "$replay" -eq 1 ]; then
        crashes=("$here/crashes/$target"/*)
        [ -e "${crashes[0]}" ] || continue
        echo "== $target: replaying ${#crashes[@]} reproducer(s)"
        "$exe" -timeout=10 "${crashes[@]}" || status=1
        continue
    fi
    work="$build/corpus/$target"
    artifacts="$build/artifacts"
    mkdir -p "$work" "$artifacts" "$here/corpus/$target"
    echo "== $target: $seconds s"
    # The first directory receives new inputs; the committed seeds are only read.
    "$exe" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
        -artifact_prefix="$artifacts/$target-" -print_final_stats=1 \
        "$work" "$here/corpus/$target" || status=1
done
exit "$status"
