#!/usr/bin/env bash
# Builds and runs every test: the full build's tests, the checks of what a
# distribution takes (desktop entry, AppStream metadata, MIME types, manual
# pages, the Debian package and lintian), the engine tests under
# AddressSanitizer and UndefinedBehaviorSanitizer and under ThreadSanitizer, a
# format check, and a short run of every fuzz target (FUZZ_SECONDS in all, 20
# by default).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh $(cat scripts/build-deps.txt scripts/test-deps.txt)
jobs=$(nproc)

echo "== format check"
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror

echo "== layering check"
bash scripts/check_layers.sh

echo "== full build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPLOTSIEVE_WERROR=ON >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== desktop files, manual pages and the Debian package"
bash scripts/check_package.sh build

echo "== engine tests under ASan + UBSan"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPLOTSIEVE_ENGINE_ONLY=ON \
    -DPLOTSIEVE_SANITIZE=ON -DPLOTSIEVE_WERROR=ON >/dev/null
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan --output-on-failure -j "$jobs"

# A search runs a walk, a status prefetch, the cache's opener and writer, the
# survey's threads, the evaluation pool and a read-ahead at once: any report
# fails the step. Those threads live in the engine and the text cache, so
# their tests are the ones run here; the readers are pure, single-threaded
# functions (the ASan step covers them).
echo "== engine tests under ThreadSanitizer"
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPLOTSIEVE_ENGINE_ONLY=ON \
    -DPLOTSIEVE_TSAN=ON -DPLOTSIEVE_WERROR=ON >/dev/null
cmake --build build-tsan -j "$jobs" --target search_tests cache_tests
for program in search_tests cache_tests; do
    TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" build-tsan/tests/$program --gtest_brief=1
done

if command -v clang++ >/dev/null; then
    echo "== fuzz targets"
    bash scripts/fuzz.sh "${FUZZ_SECONDS:-20}"
fi
