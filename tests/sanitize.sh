#!/usr/bin/env bash
# Configures, builds and runs the whole test suite with AddressSanitizer, LeakSanitizer and
# UndefinedBehaviorSanitizer (the `sanitize` preset, in build-sanitize/). Exits non-zero when the
# build fails, a test fails or any process, test or child, leaves a sanitizer report.
#
#   tests/sanitize.sh [--clean] [extra ctest arguments, e.g. -R questionbase]
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
# The build and the package's test read Cyrillic file names: not in the ASCII of an unset locale.
[ "$(locale charmap 2>/dev/null)" = UTF-8 ] || export LC_ALL=C.UTF-8

if [[ ${1:-} == --clean ]]; then
    rm -rf build-sanitize
    shift
fi

start=$(date +%s)
nice -n 10 cmake --preset sanitize
nice -n 10 cmake --build --preset sanitize
built=$(date +%s)

# Reports go to files rather than stderr: the tests start child programs whose stderr they do not
# show and whose failing exit may be the expected outcome, so a report there would go unseen.
reports="$root/build-sanitize/sanitizer-reports"
rm -rf "$reports"
mkdir -p "$reports"
export ASAN_OPTIONS="detect_leaks=1:detect_stack_use_after_return=1:strict_string_checks=1:log_path=$reports/asan"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:log_path=$reports/ubsan"

status=0
(cd build-sanitize && nice -n 10 ctest --output-on-failure --no-tests=error -j2 "$@") || status=$?
end=$(date +%s)

if compgen -G "$reports/*" >/dev/null; then
    for report in "$reports"/*; do
        echo "=== $report"
        cat "$report"
    done
    echo "sanitize: sanitizer reports above"
    status=1
fi
echo "sanitize: build $((built - start)) s, tests $((end - built)) s, total $((end - start)) s"
exit "$status"
