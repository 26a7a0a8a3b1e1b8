#!/bin/sh
# Soaks the promise that a result is the device's own: scripts/soak.sh N runs N seeded scenarios
# of the property test (tests/property), split over parallel processes (they mostly wait on the
# simulated devices' pace). The scenarios include devices that never answer a final packet,
# one-block images and blocks answered 100-500 ms late; each is judged by the simulator's log. SOAK_FROM sets the first seed (default 1000), SOAK_PROCS the number
# of processes (default 8). Prints the count and every violation with its seed; exits non-zero
# when there was any.
set -u
cd "$(dirname "$0")/.."
count=${1:-2000}
from=${SOAK_FROM:-1000}
procs=${SOAK_PROCS:-8}
sh scripts/install-deps.sh native || exit 1
mkdir -p build/soak
cmake --preset dev >build/dev.configure.log 2>&1 &&
    cmake --build --preset dev -j "$(nproc)" --target property_tests >build/dev.build.log 2>&1 ||
    { tail -40 build/dev.configure.log build/dev.build.log; exit 1; }
per=$(((count + procs - 1) / procs))
i=0
while [ $i -lt "$procs" ]; do
    start=$((from + i * per))
    n=$per
    [ $((i * per + n)) -le "$count" ] || n=$((count - i * per))
    [ "$n" -gt 0 ] || break
    HALVARD_PROPERTY_SEEDS="$start:$n" build/dev/bin/property_tests --gtest_brief=1 \
        >"build/soak/part$i.log" 2>&1 &
    i=$((i + 1))
done
wait
runs=$(sed -n 's/^\([0-9]*\) scenarios, .*/\1/p' build/soak/part*.log | awk '{s += $1} END {print s + 0}')
bad=$(sed -n 's/.* scenarios, \([0-9]*\) violations/\1/p' build/soak/part*.log | awk '{s += $1} END {print s + 0}')
grep -h -A1 "^seed " build/soak/part*.log
echo "$runs scenarios, $bad violations"
[ "$runs" -eq "$count" ] && [ "$bad" -eq 0 ]
