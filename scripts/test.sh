#!/bin/sh
# Runs every test of Halvard: the native build, AddressSanitizer + UndefinedBehaviorSanitizer,
# ThreadSanitizer for the threaded parts, the fuzz targets for a bounded time each, the static
# analysers, the Windows build under Wine, and the release packages. Installs what it needs first.
# Exits non-zero when any test fails.
set -u
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh all || exit 1
. scripts/wine-env.sh

jobs=$(nproc 2>/dev/null || echo 2)
passed=0
failed=0
summary=""

# run_preset <preset> [ctest args]: builds the preset and runs its tests.
run_preset() {
    preset=$1
    shift
    echo "== $preset: configure and build"
    if ! cmake --preset "$preset" >"build/$preset.configure.log" 2>&1 ||
        ! cmake --build --preset "$preset" -j "$jobs" >"build/$preset.build.log" 2>&1; then
        tail -40 "build/$preset.configure.log" "build/$preset.build.log" 2>/dev/null
        echo "== $preset: BUILD FAILED"
        failed=$((failed + 1))
        summary="$summary\n$preset: build failed"
        return
    fi
    echo "== $preset: tests"
    # Bounded: a Wine helper process that kept the output pipe open would stall ctest.
    out=$(timeout 1200 ctest --preset "$preset" -j "$jobs" "$@" 2>&1)
    status=$?
    echo "$out" | tail -25
    p=$(echo "$out" | sed -n 's/.* \([0-9][0-9]*\) tests failed out of \([0-9][0-9]*\).*/\1 \2/p' | tail -1)
    if [ -n "$p" ]; then
        f=${p% *}
        t=${p#* }
        passed=$((passed + t - f))
        failed=$((failed + f))
        summary="$summary\n$preset: $((t - f)) of $t test programs passed"
    elif [ $status -eq 0 ]; then
        summary="$summary\n$preset: no tests"
    fi
    [ $status -eq 0 ] || { [ -n "$p" ] || failed=$((failed + 1)); }
}

mkdir -p build
run_preset dev
run_preset asan
run_preset tsan -R "worker|cli|engine|devconn|sim"
run_preset fuzz
echo "== analysers"
if sh scripts/analyse.sh >build/analyse.log 2>&1; then
    tail -3 build/analyse.log
    passed=$((passed + 1))
    summary="$summary\nanalysers: clean"
else
    tail -60 build/analyse.log
    failed=$((failed + 1))
    summary="$summary\nanalysers: findings (build/analyse.log)"
fi
wine_start
run_preset mingw
wine_stop
# The release as its users meet it; reuses the mingw build above.
echo "== release"
if sh tests/release/release-test.sh >build/release-test.log 2>&1; then
    tail -4 build/release-test.log
    passed=$((passed + 1))
    summary="$summary\nrelease: packages made and checked"
else
    tail -40 build/release-test.log
    failed=$((failed + 1))
    summary="$summary\nrelease: failed (build/release-test.log)"
fi

printf "%b\n" "$summary"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
