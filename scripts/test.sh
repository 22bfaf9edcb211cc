#!/usr/bin/env bash
# Installs what is needed, builds, and runs the whole test suite. Fails when any test fails.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh dev
export QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1
ctest --preset dev -j "$(nproc)" "$@"
# The Debian package installed with apt and removed again (as root, i.e. on CI's fresh machine);
# QUIVERAL_PACKAGE_TEST=0 skips it, =release packages an optimised build (scripts/test-package.sh).
if [ "$(id -u)" -eq 0 ] && [ "${QUIVERAL_PACKAGE_TEST:-1}" != "0" ]; then
    scripts/test-package.sh
fi
