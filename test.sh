#!/usr/bin/env bash
# Installs what is missing, builds and runs every test headless.
# --sanitize: the same with AddressSanitizer and UndefinedBehaviorSanitizer, in build-sanitize.
# Other arguments go to ctest.
source "$(dirname "$0")/scripts/common.sh"
ctest_args=()
for arg in "$@"; do
    if [ "$arg" = "--sanitize" ]; then
        quellar_sanitize
    else
        ctest_args+=("$arg")
    fi
done
quellar_install
quellar_build
cd "$QUELLAR_BUILD"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)" "${ctest_args[@]}"
