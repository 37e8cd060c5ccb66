# shellcheck shell=bash
# Shared by the scripts in this folder: where the repository is, installing Debian packages
# that are missing, and configuring a CMake build.

REPO_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"

# ensure_packages PACKAGE...: installs those not installed yet, with sudo unless root.
ensure_packages() {
    local missing=() package
    for package in "$@"; do
        if [[ "$(dpkg-query -W -f='${db:Status-Abbrev}' "$package" 2>/dev/null)" != "ii " ]]; then
            missing+=("$package")
        fi
    done
    if ((${#missing[@]} == 0)); then
        return 0
    fi
    echo "Installing missing packages: ${missing[*]}"
    local as_root=()
    if [[ "$(id -u)" -ne 0 ]]; then
        as_root=(sudo)
    fi
    "${as_root[@]}" apt-get update
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y --no-install-recommends "${missing[@]}"
}

# What every build of the program needs.
# shellcheck disable=SC2034 # read by the scripts that source this file
# The staff tool reads Access/Jet files with libmdb and checks a bank's rows with libsqlite3; the
# program names its windows through xcb; all are found through pkg-config. The editor's file
# dialogs and standard buttons speak Russian through Qt's own translation (qtbase_ru.qm).
BUILD_PACKAGES=(cmake g++ qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libqt6sql6-sqlite
    mdbtools-dev libsqlite3-dev pkg-config libxcb1-dev qt6-translations-l10n)

# Makefiles stand in where Ninja is missing, and need make.
make_unless_ninja() {
    if ! command -v ninja >/dev/null 2>&1; then
        echo make
    fi
}

# configure_build DIR BUILD_TYPE [CMAKE_ARGUMENT...]
configure_build() {
    local dir="$1" type="$2"
    shift 2
    local generator=()
    # A folder configured before keeps its generator; CMake refuses to switch.
    if [[ ! -f "$dir/CMakeCache.txt" ]]; then
        if command -v ninja >/dev/null 2>&1; then
            generator=(-G Ninja)
        else
            generator=(-G "Unix Makefiles")
        fi
    fi
    cmake -S "$REPO_ROOT" -B "$dir" "${generator[@]}" -DCMAKE_BUILD_TYPE="$type" "$@"
}

# build DIR [CMAKE_BUILD_ARGUMENT...]
build() {
    local dir="$1"
    shift
    cmake --build "$dir" --parallel "$(nproc)" "$@"
}
