#!/usr/bin/env bash
# Builds the Debian package, installs it with apt as a user would, runs the installed programs and
# removes the package again. Needs root; CI runs it from scripts/test.sh on a fresh machine.
#   QUIVERAL_PACKAGE_TEST=release    package an optimised build (a second full build, ~10+ min on 2 cores)
#   otherwise                        package the programs of build/dev, which the tests have just built
set -euo pipefail
cd "$(dirname "$0")/.."
[ "$(id -u)" -eq 0 ] || { echo "test-package.sh installs a package and needs root" >&2; exit 2; }
if dpkg-query -W -f='${Status}' quiveral 2>/dev/null | grep -q "install ok installed"; then
    echo "package test skipped: quiveral is installed on this machine already and is left alone" >&2
    exit 0
fi
start=$SECONDS
if [ "${QUIVERAL_PACKAGE_TEST:-}" = "release" ]; then
    scripts/package.sh
else
    scripts/package.sh --from build/dev
fi
built=$SECONDS

export DEBIAN_FRONTEND=noninteractive
library="$(mktemp -d)"
trap 'apt-get remove -y -q quiveral >/dev/null 2>&1 || true; rm -rf "$library"' EXIT
apt-get install -y -q --no-install-recommends ./build/package/quiveral_*.deb >/dev/null
/usr/bin/quiveral-cli --version
/usr/bin/quiveral-cli --library "$library" init >/dev/null
/usr/bin/quiveral-cli --library "$library" check
[ -f "$library/model/vbArticle1.htm" ] || { echo "the installed program found no data in /usr/share/quiveral" >&2; exit 1; }
apt-get remove -y -q quiveral >/dev/null
for f in /usr/bin/quiveral-cli /usr/bin/quiveral /usr/share/quiveral; do
    [ ! -e "$f" ] || { echo "$f is still there after the package was removed" >&2; exit 1; }
done
echo "package test passed: built in $((built - start)) s, installed and removed in $((SECONDS - built)) s"
