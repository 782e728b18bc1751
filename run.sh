#!/usr/bin/env bash
# Installs what is missing, builds, prepares the demo database and opens the program on it.
source "$(dirname "$0")/scripts/common.sh"
quellar_install
quellar_build

demo="$QUELLAR_ROOT/demo/quellar-demo.db"
if [ ! -f "$demo" ]; then
    mkdir -p "$(dirname "$demo")"
    "$QUELLAR_BUILD/bin/quellar-admin" demo "$demo"
fi

if [ -x "$QUELLAR_BUILD/bin/quellar" ]; then
    QUELLAR_DEMO_DATABASE="$demo" exec "$QUELLAR_BUILD/bin/quellar"
fi
echo "The demo database is ready: $demo"
