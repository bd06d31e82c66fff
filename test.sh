#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite, then builds and
# runs it again with AddressSanitizer + UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/deps.sh
oc_install_missing locales

# Documents must read the same whatever the process locale: one test reads
# numbers under a decimal-comma locale, which a fresh machine may lack.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo localedef -i de_DE -f UTF-8 de_DE.UTF-8 || echo "de_DE.UTF-8 not available: the locale test will be skipped"
fi

# An include from a higher layer fails at once, before the builds.
bash scripts/check-layers.sh

jobs=$(nproc)
export CTEST_OUTPUT_ON_FAILURE=1
export QT_QPA_PLATFORM=offscreen

# Debug information is the slowest part of the build: none in the optimised
# build, line tables only (enough for sanitizer stack traces) in the other.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" -DOC_WERROR=ON
cmake --build build -j "$jobs"

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" -DOC_SANITIZE=ON
cmake --build build-asan -j "$jobs"

echo "== Test suite =="
ctest --test-dir build -j "$jobs" --timeout 300

echo "== Test suite with AddressSanitizer + UndefinedBehaviorSanitizer =="
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan -j "$jobs" --timeout 600
