#!/usr/bin/env bash
# Installs what is needed, builds, and runs the whole test suite. Fails when any test fails.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh dev
export QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1
ctest --preset dev -j "$(nproc)" "$@"
