#!/usr/bin/env bash
# Installs what is missing, builds and runs every test headless.
source "$(dirname "$0")/scripts/common.sh"
quellar_install
quellar_build
cd "$QUELLAR_BUILD"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)" "$@"
