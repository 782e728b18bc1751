# Shared by run.sh and test.sh: installs the Debian packages the build needs and builds.
set -euo pipefail

QUELLAR_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
QUELLAR_BUILD="${QUELLAR_BUILD:-$QUELLAR_ROOT/build}"

quellar_packages=(
    cmake g++ make
    qt6-base-dev libqt6sql6-sqlite libqt6sql6-odbc
    libsqlite3-dev sqlite3
    unixodbc unixodbc-dev libsqliteodbc tdsodbc
    fonts-dejavu-core poppler-utils
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

quellar_build() {
    cmake -S "$QUELLAR_ROOT" -B "$QUELLAR_BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$QUELLAR_BUILD" -j "$(nproc)"
}
