#!/bin/sh
# One run of the macOS window against the simulated device on 127.0.0.1:48350, driven through
# every page by zepmacdrive on a private display, with screenshots.
# Usage: mac-drive.sh BUILD-DIR PACKAGE SHOT-DIR PREFIX LANGUAGE DEVICE-DIR [zepdevsim flags...]
# LANGUAGE is a GNUstep language name (English, German, ...). Exit status: the driver's (0 when
# the device was updated).
set -eu
build=$1 package=$2 shots=$3 prefix=$4 language=$5 device=$6
shift 6
mkdir -p "$shots" "$device"
"$build/bin/zepdevsim" --host 127.0.0.1 --port 48350 --target-info examples/TargetInfo.txt \
    --out "$device" --max-connections 1 "$@" >"$device.sim.out" 2>&1 &
sim=$!
trap 'kill $sim 2>/dev/null || true' EXIT
i=0
until grep -q "listening" "$device.sim.out" 2>/dev/null; do
    i=$((i + 1))
    [ $i -lt 100 ] || { cat "$device.sim.out"; exit 1; }
    sleep 0.1
done
status=0
"$(dirname "$0")/gnustep-run" "$build/bin/zepmacdrive.app/zepmacdrive" "$package" 127.0.0.1 \
    "$shots" "$prefix" -NSLanguages "($language)" || status=$?
kill $sim 2>/dev/null || true
wait $sim 2>/dev/null || true
trap - EXIT
exit $status
