#!/bin/sh
# The main job: pack the sample firmware into the console updater, start the simulated device,
# update it end to end, and check that the device received every image byte for byte.
set -eu
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh native

echo "== Building (release)"
cmake --preset release >build-release.log 2>&1 || { cat build-release.log; exit 1; }
cmake --build --preset release -j "$(nproc 2>/dev/null || echo 2)" >>build-release.log 2>&1 ||
    { tail -40 build-release.log; exit 1; }
rm -f build-release.log
bin=build/release/bin
demo=build/demo
rm -rf "$demo"
mkdir -p "$demo/firmware" "$demo/device"

echo "== Packing the sample firmware into halvard"
sh scripts/make-sample-firmware.sh "$demo/firmware"
"$bin/zepbind" append -o "$demo/halvard" --program "$bin/halvard" --info examples/ZEPINFO.txt \
    "$demo/firmware/hv2000_boot.bin" "$demo/firmware/hv2000_lang.bin"
chmod +x "$demo/halvard"
"$bin/zepbind" list "$demo/halvard"
"$demo/halvard" --list

echo "== Starting the simulated device"
"$bin/zepdevsim" --host 127.0.0.1 --port 48350 --target-info examples/TargetInfo.txt \
    --out "$demo/device" --log "$demo/device.log" --max-connections 1 >"$demo/sim.out" 2>&1 &
sim=$!
trap 'kill $sim 2>/dev/null || true' EXIT
i=0
until grep -q "listening" "$demo/sim.out" 2>/dev/null; do
    i=$((i + 1))
    [ $i -lt 100 ] || { cat "$demo/sim.out"; exit 1; }
    sleep 0.1
done

echo "== Updating the device at 127.0.0.1"
status=0
"$demo/halvard" --address 127.0.0.1 || status=$?
wait $sim 2>/dev/null || true
trap - EXIT

echo "== Checking what the device received"
cmp "$demo/firmware/hv2000_boot.bin" "$demo/device/BOOTABLE"
cmp "$demo/firmware/hv2000_lang.bin" "$demo/device/LANGUAGE"
echo "Both images arrived byte for byte. Updater exit status: $status"
exit $status
