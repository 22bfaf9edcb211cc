#!/usr/bin/env bash
# Configures and builds into build/<preset> (default: dev).
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-dev}"
dir="build/$preset"
if [ ! -f "$dir/build.ninja" ]; then
    cmake --preset "$preset" >/dev/null
fi
# Sources are globbed; when a file with Q_OBJECT appears, the moc step of an existing build does not
# always notice. Start moc afresh whenever the set of sources changed.
sources=$(find src tests -name '*.h' -o -name '*.cpp' | sort | md5sum | cut -d' ' -f1)
if [ "$(cat "$dir/.sources" 2>/dev/null)" != "$sources" ]; then
    rm -rf "$dir"/src/*_autogen "$dir"/tests/*_autogen
    echo "$sources" > "$dir/.sources"
fi
cmake --build --preset "$preset" -j "$(nproc)"
