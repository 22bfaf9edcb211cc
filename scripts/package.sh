#!/usr/bin/env bash
# Builds the Debian package into build/package/quiveral_<version>_<arch>.deb, then runs lintian when it
# is installed (fails on its errors, shows its warnings).
#   scripts/package.sh               an optimised build of the programs alone (no tests) in build/package
#   scripts/package.sh --from DIR    packages what an existing build folder (e.g. build/dev) holds
#   QUIVERAL_PACKAGE_JOBS=N          parallel compile jobs (default: all cores)
set -euo pipefail
cd "$(dirname "$0")/.."
dir=build/package
from=""
if [ "${1:-}" = "--from" ]; then
    from="${2:?--from needs a build folder}"
    [ -f "$from/CPackConfig.cmake" ] || { echo "no configured build in $from" >&2; exit 2; }
fi

if [ -z "$from" ]; then
    # Debian's hardening flags, without -g: the package is stripped and debug info only slows the build.
    cflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS | sed 's/\(^\| \)-g\( \|$\)/ /')"
    ldflags="$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get LDFLAGS)"
    if [ ! -f "$dir/build.ninja" ]; then
        CXXFLAGS="$cflags" CFLAGS="$cflags" LDFLAGS="$ldflags" \
            cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUIVERAL_BUILD_TESTS=OFF \
            -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
    fi
    nice -n 10 cmake --build "$dir" -j "${QUIVERAL_PACKAGE_JOBS:-$(nproc)}"
    from="$dir"
fi
mkdir -p "$dir"
rm -f "$dir"/quiveral_*.deb
cpack --config "$from/CPackConfig.cmake" -B "$dir" -G DEB >/dev/null
deb="$(ls "$dir"/quiveral_*.deb)"
echo "built $deb"
if command -v lintian >/dev/null; then
    lintian --fail-on error "$deb"
fi
