#!/usr/bin/env bash
# Builds everything with the tests (Debug, in build-tests/) and runs them on a private X server.
set -euo pipefail
# shellcheck source=lib/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"

# poppler-utils: the protocol tests read the PDF back (pdftotext, pdffonts).
ensure_packages "${BUILD_PACKAGES[@]}" ninja-build libgtest-dev pkg-config libxcb1-dev \
    libxcb-shape0-dev xvfb xauth x11-utils fonts-dejavu-core fonts-liberation2 acl systemd poppler-utils

BUILD_DIR="$REPO_ROOT/build-tests"
configure_build "$BUILD_DIR" Debug -DQUORVANE_TESTS=ON
build "$BUILD_DIR"

cd "$BUILD_DIR"
# One test at a time: the X tests share the screen and look at what is on it. A test that hangs
# (a forgotten modal box) fails after five minutes instead of using up the whole run.
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure --timeout 300
