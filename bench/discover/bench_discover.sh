#!/bin/sh
# Discovery of a /22 of loopback (127.0.80.0/22, 1,022 hosts) of which 40 addresses answer as
# printers (scripts/sim-printers.sh, spread over the block), the rest silent, with halvard's
# default concurrency, time-out and retries: the wall time (goal: under 10 s) and the peak
# memory of halvard, and that it found exactly the 40. Not part of the test command.
# Usage: bench_discover.sh [BIN_DIR]   (default build/release/bin)
set -eu
here=$(cd "$(dirname "$0")/../.." && pwd)
bin=${1:-$here/build/release/bin}
work=$(mktemp -d /tmp/halvard-bench-discover.XXXXXX)
export SNMP_PORT=16180 HALVARD_BIN="$bin"
trap 'sh "$here/scripts/sim-printers.sh" stop "$work/sim"; wait 2>/dev/null; rm -rf "$work"' EXIT INT TERM
[ -x /usr/bin/time ] || { echo "bench_discover: /usr/bin/time is needed (apt-get install time)"; exit 1; }

# A small release of the sample model: its models decide which printers are served.
head -c 20000 /dev/urandom >"$work/boot.bin"
head -c 9000 /dev/urandom >"$work/lang.bin"
sed 's/hv2000_boot.bin/boot.bin/; s/hv2000_lang.bin/lang.bin/' "$here/examples/ZEPINFO.txt" >"$work/ZEPINFO.txt"
"$bin/zepbind" create -o "$work/release.pkg" --info "$work/ZEPINFO.txt" "$work/boot.bin" \
    "$work/lang.bin" >/dev/null

# 40 printers, 10 in each /24 of the block, 25 addresses apart.
for third in 80 81 82 83; do
    n=0
    while [ $n -lt 10 ]; do
        sh "$here/scripts/sim-printers.sh" start "$work/sim" "127.0.$third.$((n * 25 + 5))" 1 HV-2000
        n=$((n + 1))
    done
done

/usr/bin/time -f "%e %M" -o "$work/time" "$bin/halvard" --package "$work/release.pkg" --discover 127.0.80.0/22 \
    --snmp-port $SNMP_PORT >"$work/out" 2>"$work/err" || { cat "$work/err"; exit 1; }
read -r wall rss <"$work/time"
tail -1 "$work/out"
found=$(grep -c '^127\.0\.8[0-3]\.' "$work/out" || true)
echo "addresses: 1022, printers found: $found of 40"
echo "wall time: ${wall} s (goal < 10 s), peak memory: ${rss} KiB"
[ "$found" -eq 40 ] || { echo "bench_discover: expected 40 printers"; exit 1; }
