#!/usr/bin/env bash
# Builds the program (Release, in build/) and starts it from the folder of the exam data file.
set -euo pipefail
# shellcheck source=lib/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"

# shellcheck disable=SC2046
ensure_packages "${BUILD_PACKAGES[@]}" $(make_unless_ninja) fonts-dejavu-core fonts-liberation2

BUILD_DIR="$REPO_ROOT/build"
configure_build "$BUILD_DIR" Release -DQUORVANE_TESTS=OFF
build "$BUILD_DIR"

# The program opens data.mdb from its working directory: a folder that holds one keeps its own
# bank; anywhere else the program starts on the sample bank.
if [[ ! -f "$PWD/data.mdb" ]]; then
    SAMPLE_BANK_DIR="$BUILD_DIR/sample"
    if [[ ! -f "$SAMPLE_BANK_DIR/data.mdb" ]]; then
        echo "The sample bank was not built: $SAMPLE_BANK_DIR/data.mdb" >&2
        exit 1
    fi
    cd "$SAMPLE_BANK_DIR"
fi
exec "$BUILD_DIR/src/quorvane"
