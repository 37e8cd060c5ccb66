#!/usr/bin/env bash
# Builds the program and the tests with AddressSanitizer and UndefinedBehaviorSanitizer (Debug,
# in build-asan/) and runs every test on a private X server; the first finding fails the test
# that met it. Leak detection is off: Qt's own start-up allocations are kept until the end.
set -euo pipefail
# shellcheck source=lib/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"

ensure_packages "${BUILD_PACKAGES[@]}" ninja-build libgtest-dev pkg-config libxcb1-dev \
    libxcb-shape0-dev xvfb xauth x11-utils fonts-dejavu-core fonts-liberation2 poppler-utils acl systemd

BUILD_DIR="$REPO_ROOT/build-asan"
launcher=()
if command -v ccache >/dev/null 2>&1; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
# Set for the build too: it runs quorvane-bank to make the sample bank.
export ASAN_OPTIONS=detect_leaks=0
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
configure_build "$BUILD_DIR" Debug -DQUORVANE_TESTS=ON -DQUORVANE_SANITIZE=ON "${launcher[@]}"
build "$BUILD_DIR"

cd "$BUILD_DIR"
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure --timeout 600
