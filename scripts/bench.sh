#!/usr/bin/env bash
# Builds the program and the benchmarks (Release, in build/) and runs them on a private X server:
# the start-up benchmark, then the test-run benchmark. Arguments are passed on to the start-up
# benchmark (the number of start-ups to time); the test-run one runs with its defaults.
set -euo pipefail
# shellcheck source=lib/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"

# shellcheck disable=SC2046
ensure_packages "${BUILD_PACKAGES[@]}" $(make_unless_ninja) pkg-config libxcb1-dev xvfb xauth \
    fonts-dejavu-core fonts-liberation2

BUILD_DIR="$REPO_ROOT/build"
configure_build "$BUILD_DIR" Release -DQUORVANE_TESTS=OFF
build "$BUILD_DIR" --target startup_bench testrun_bench

xvfb-run -a -s "-screen 0 1280x1024x24" "$BUILD_DIR/bench/startup_bench" "$@"
echo
xvfb-run -a -s "-screen 0 1280x1024x24" "$BUILD_DIR/bench/testrun_bench"
