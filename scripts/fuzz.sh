#!/bin/sh
# Runs every fuzz target for longer than the test command does: scripts/fuzz.sh [seconds]
# (default 300 each), one after another. New inputs collect in build/fuzz/tests/fuzz/corpus/,
# crashes in build/fuzz/tests/fuzz/artifacts/. Exits non-zero when any target found something.
set -u
cd "$(dirname "$0")/.."
seconds=${1:-300}
sh scripts/install-deps.sh native || exit 1
mkdir -p build
cmake --preset fuzz >build/fuzz.configure.log 2>&1 && cmake --build --preset fuzz -j "$(nproc)" \
    >build/fuzz.build.log 2>&1 || { tail -40 build/fuzz.configure.log build/fuzz.build.log; exit 1; }
out=build/fuzz/tests/fuzz
failed=0
for bin in build/fuzz/bin/fuzz_*; do
    name=$(basename "$bin")
    mkdir -p "$out/corpus/$name" "$out/artifacts"
    echo "== $name: $seconds s"
    if ! "$bin" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$out/artifacts/$name-" "$out/corpus/$name" "tests/fuzz/corpus/$name" \
        >"$out/$name.log" 2>&1; then
        tail -30 "$out/$name.log"
        echo "== $name: FOUND SOMETHING (log: $out/$name.log)"
        failed=$((failed + 1))
    else
        grep -E "^#[0-9]+[[:space:]]+DONE" "$out/$name.log" | tail -1
    fi
done
echo "$failed fuzz targets with findings"
[ "$failed" -eq 0 ]
