#!/usr/bin/env bash
# Installs a build into a scratch prefix and checks the result the way a user meets it: the programs
# start, read the installed data (not the source folder they were built from), and the desktop files
# are where desktops look. Usage: check-install-tree.sh BUILD_DIR VERSION
set -euo pipefail
build="$1"
version="$2"
root="$(mktemp -d)"
trap 'rm -rf "$root"' EXIT
prefix="$root/usr"
cmake --install "$build" --prefix "$prefix" >/dev/null

fail() { echo "FAIL: $*" >&2; exit 1; }
for f in bin/quiveral bin/quiveral-cli share/quiveral/model share/quiveral/help share/quiveral/demo-site/index.html \
    share/quiveral/sitesign.xml share/quiveral/bgimage share/quiveral/chm/bookmark.gif \
    share/applications/io.github.quiveral.Quiveral.desktop share/metainfo/io.github.quiveral.Quiveral.metainfo.xml \
    share/mime/packages/quiveral.xml share/icons/hicolor/scalable/apps/quiveral.svg \
    share/doc/quiveral/copyright share/doc/quiveral/changelog.gz; do
    [ -e "$prefix/$f" ] || fail "$f is not installed"
done
for size in 16 22 24 32 48 64 128 256; do
    png="$prefix/share/icons/hicolor/${size}x${size}/apps/quiveral.png"
    [ -s "$png" ] || fail "no ${size}x${size} icon"
    # Width and height are the big-endian words at bytes 16 and 20 of a PNG.
    [ "$(od -An -tu1 -j16 -N8 "$png" | awk '{print $3*256+$4 "x" $7*256+$8}')" = "${size}x${size}" ] ||
        fail "the ${size}x${size} icon has another size"
done
for f in quiveral.desktop icons quiveral-mime.xml; do
    [ ! -e "$prefix/share/quiveral/$f" ] || fail "share/quiveral/$f belongs to the desktop, not the program's data"
done

unset QUIVERAL_DATA_DIR QUIVERAL_HOME
[ "$("$prefix/bin/quiveral-cli" --version)" = "quiveral-cli $version" ] || fail "quiveral-cli --version"
QT_QPA_PLATFORM=offscreen "$prefix/bin/quiveral" --version | grep -q "$version" || fail "quiveral --version"
"$prefix/bin/quiveral-cli" --library "$root/library" check
# A file only the installed data holds must reach a new library.
echo '<p>installed</p>' >"$prefix/share/quiveral/model/installed-only.htm"
"$prefix/bin/quiveral-cli" --library "$root/library" init >/dev/null
[ -e "$root/library/model/installed-only.htm" ] || fail "the installed program did not read share/quiveral"
# A new version needs its release entry, or software centres show the previous one.
grep -q "<release version=\"$version\"" "$prefix/share/metainfo/io.github.quiveral.Quiveral.metainfo.xml" ||
    fail "the metainfo has no release entry for $version"
# The launcher, metainfo and icons as a software centre sees them together.
appstreamcli validate-tree --no-net "$root"
echo "install tree OK"
