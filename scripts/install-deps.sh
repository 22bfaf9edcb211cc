#!/usr/bin/env bash
# Installs every Debian package the program, its tests and its benchmarks need.
# Idempotent: when everything is already there it returns in a second.
set -euo pipefail

PACKAGES=(
    # Qt 6
    qt6-base-dev qt6-base-dev-tools qt6-webengine-dev qt6-multimedia-dev qt6-5compat-dev
    qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools qt6-translations-l10n libqt6sql6-sqlite
    # music: WAV and MP3; WMA; MIDI with a sound font
    gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-ugly gstreamer1.0-libav
    gstreamer1.0-plugins-bad timgm6mb-soundfont
    # C libraries
    libsqlite3-dev sqlite3 libgumbo-dev libxml2-dev libpcre2-dev libuchardet-dev
    libopencc-dev opencc libchm-dev libchm-bin fp-utils libzip-dev zlib1g-dev libcurl4-openssl-dev libssl-dev libx11-dev
    libtesseract-dev tesseract-ocr tesseract-ocr-chi-sim tesseract-ocr-chi-tra
    mdbtools mdbtools-dev
    # fonts, display and screenshots for GUI tests
    fonts-wqy-microhei xvfb xauth xdotool imagemagick trayer
    # build and test tools
    build-essential cmake libbenchmark-dev ccache ninja-build pkg-config curl clang libclang-rt-14-dev python3 ripgrep
    dbus-daemon
    epubcheck zip # the e-book checker of the EPUB tests (brings Java); zip: the EPUB bench's baseline
    # reading aloud: Qt's text-to-speech, the speech service and a voice that reads Chinese
    qt6-speech-dev qt6-speech-speechd-plugin speech-dispatcher espeak-ng
    # the Debian package and its checks: launcher, AppStream data, icons drawn from the SVG
    dpkg-dev lintian desktop-file-utils appstream librsvg2-bin
)

missing=()
for p in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    SUDO="sudo"
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
