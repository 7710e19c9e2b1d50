#!/usr/bin/env bash
# Installs what is missing, builds the tests with AddressSanitizer and UndefinedBehaviorSanitizer,
# runs them, then runs the thread-labelled tests again in a ThreadSanitizer build.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/scripts/deps.sh"
jobs=$(nproc)
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

cmake -S "$root" -B "$root/build-asan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNR_SANITIZE=address
cmake --build "$root/build-asan" -j "$jobs"
(cd "$root/build-asan" && ctest --output-on-failure -j "$jobs" -LE tsan)

cmake -S "$root" -B "$root/build-tsan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNR_SANITIZE=thread -DNR_ENGINE_ONLY=ON
cmake --build "$root/build-tsan" -j "$jobs"
(cd "$root/build-tsan" && ctest --output-on-failure -j "$jobs" -L tsan)

# A plain build (no sanitizer): libyuv is not instrumented by the sanitizers, so the pipeline's
# conversions are checked under valgrind here; and the program itself is started for real under
# Xvfb by the smoke scripts.
cmake -S "$root" -B "$root/build-plain" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$root/build-plain" -j "$jobs" --target iqpipeline_tests vorlach-denoise
(cd "$root/build-plain" && ctest --output-on-failure -L valgrind)
for smoke in "$root"/scripts/smoke*.sh; do
  echo "== $(basename "$smoke")"
  bash "$smoke" "$root/build-plain/app/vorlach-denoise"
done
