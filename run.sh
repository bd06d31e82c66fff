#!/usr/bin/env bash
# Installs what is missing, builds the Release program and starts it. The
# build folder is test.sh's Release build, so a second run (or a run after the
# tests) rebuilds nothing and starts at once. Arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/deps.sh
oc_install_missing

if [ ! -f build/build.ninja ]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" -DOC_WERROR=ON
fi
cmake --build build -j "$(nproc)" --target outlinecrafter
exec ./build/app/outlinecrafter "$@"
