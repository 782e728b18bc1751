# Shared by run.sh and test.sh: installs the Debian packages the build needs and builds.
set -euo pipefail

QUELLAR_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
QUELLAR_BUILD="${QUELLAR_BUILD:-$QUELLAR_ROOT/build}"

quellar_packages=(
    cmake g++ make
    qt6-base-dev libqt6sql6-sqlite libqt6sql6-odbc
    libsqlite3-dev sqlite3
    unixodbc unixodbc-dev libsqliteodbc tdsodbc
    sqlfluff bindfs
    fonts-dejavu-core poppler-utils
    dpkg-dev file desktop-file-utils appstream
)

quellar_install() {
    local missing=()
    for p in "${quellar_packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# Extra CMake arguments for the build, e.g. -DQUELLAR_SANITIZE=ON (see quellar_sanitize).
quellar_cmake_args=()

# Switches to the AddressSanitizer/UndefinedBehaviorSanitizer build in build-sanitize and
# sets the sanitizer options for everything run afterwards.
quellar_sanitize() {
    QUELLAR_BUILD="$QUELLAR_ROOT/build-sanitize"
    quellar_cmake_args+=(-DQUELLAR_SANITIZE=ON)
    export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1:check_initialization_order=1"
    export LSAN_OPTIONS="suppressions=$QUELLAR_ROOT/tests/sanitize/lsan.supp:print_suppressions=0"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
}

quellar_build() {
    cmake -S "$QUELLAR_ROOT" -B "$QUELLAR_BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${quellar_cmake_args[@]}" >/dev/null
    cmake --build "$QUELLAR_BUILD" -j "$(nproc)"
}
