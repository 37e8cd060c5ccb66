#!/usr/bin/env bash
# Builds the Debian package of a workstation: a Release build in build-package/ (prefix /usr,
# Debian's hardening flags), cpack -G DEB, then lintian on the result. Prints the package's path
# on its last line.
set -euo pipefail
# shellcheck source=lib/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"

# shellcheck disable=SC2046
ensure_packages "${BUILD_PACKAGES[@]}" $(make_unless_ninja) dpkg-dev lintian desktop-file-utils

BUILD_DIR="$REPO_ROOT/build-package"
launcher=()
if command -v ccache >/dev/null 2>&1; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
# Debian's hardening flags (stack protector, fortified functions, read-only relocations bound
# at start), without the debugging information the package would strip anyway, and without the
# flags that name the source folder, so that clones elsewhere share the compiler cache.
export DEB_BUILD_MAINT_OPTIONS="hardening=+all reproducible=-fixfilepath,-fixdebugpath"
export DEB_CXXFLAGS_MAINT_STRIP=-g
cxxflags="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
ldflags="$(dpkg-buildflags --get LDFLAGS)"
configure_build "$BUILD_DIR" Release -DQUORVANE_TESTS=OFF -DQUORVANE_BENCH=OFF \
    -DCMAKE_INSTALL_PREFIX=/usr "-DCMAKE_CXX_FLAGS=$cxxflags" "-DCMAKE_EXE_LINKER_FLAGS=$ldflags" \
    "${launcher[@]}"
build "$BUILD_DIR"

rm -f "$BUILD_DIR"/quorvane_*.deb
(cd "$BUILD_DIR" && cpack -G DEB >/dev/null)
packages=("$BUILD_DIR"/quorvane_*.deb)
package="${packages[0]}"

# Errors fail the build; warnings are shown for the record.
lintian --fail-on error "$package" || {
    echo "lintian found errors in $package" >&2
    exit 1
}
echo "$package"
