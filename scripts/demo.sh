#!/bin/sh
# The main job: pack the sample firmware into the programs, start the simulated device, update
# it end to end, and check that the device received every image byte for byte: first with the
# console updater, then with the Windows wizard under Wine, driven through its pages (on the
# display when there is one, else on a private one with screenshots in build/demo/windows), then
# with the macOS program (GNUstep) on a private display, screenshots in build/demo/mac.
# The console part ends by discovering simulated printers by SNMP and updating the ones the
# package serves. HALVARD_DEMO=console runs the console part only (over TCP, over the simulated
# USB bus, then the discovered fleet), HALVARD_DEMO=mac the macOS part only.
set -eu
cd "$(dirname "$0")/.."
mode=${HALVARD_DEMO:-all}
if [ "$mode" = console ]; then
    sh scripts/install-deps.sh native
else
    sh scripts/install-deps.sh all
fi

echo "== Building (release)"
cmake --preset release >build-release.log 2>&1 || { cat build-release.log; exit 1; }
cmake --build --preset release -j "$(nproc 2>/dev/null || echo 2)" >>build-release.log 2>&1 ||
    { tail -40 build-release.log; exit 1; }
rm -f build-release.log
bin=build/release/bin
demo=build/demo
rm -rf "$demo"
mkdir -p "$demo/firmware" "$demo/device"

# mac_part: the sample firmware bound into ZEP_MAC.app, one update through its window.
mac_part() {
    echo "== Packing the sample firmware into ZEP_MAC.app"
    [ -f "$demo/firmware/hv2000_boot.bin" ] || sh scripts/make-sample-firmware.sh "$demo/firmware"
    app=$bin/ZEP_MAC.app
    rm -f "$app/ZEPBINDDATA"
    "$bin/zepbind" create -o "$app/ZEPBINDDATA" --info examples/ZEPINFO.txt \
        "$demo/firmware/hv2000_boot.bin" "$demo/firmware/hv2000_lang.bin"
    "$bin/zepbind" list "$app/ZEPBINDDATA"
    echo "== Updating the device at 127.0.0.1 through the ZEP_MAC window"
    mstatus=0
    sh scripts/mac-drive.sh build/release "$app/ZEPBINDDATA" "$demo/mac" "" English \
        "$demo/mac-device" || mstatus=$?
    echo "== Checking what the device received from the macOS window"
    cmp "$demo/firmware/hv2000_boot.bin" "$demo/mac-device/BOOTABLE"
    cmp "$demo/firmware/hv2000_lang.bin" "$demo/mac-device/LANGUAGE"
    echo "Both images arrived byte for byte. Window run status: $mstatus; its pages: $demo/mac"
    return $mstatus
}
if [ "$mode" = mac ]; then
    mac_part
    exit $?
fi

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
[ "$status" -eq 0 ] || exit $status

echo "== Updating it again over USB: a printer on the simulated bus, its pipes carried to the device"
rm -rf "$demo/device"
mkdir -p "$demo/device"
printf 'vendor=maker\tproduct=0x0003\tclass=7\tserial=S1\tvendor-name=Torvi\tproduct-name=HV-2000\tdevice-id=MFG:Torvi;MDL:HV-2000;\ttcp=127.0.0.1:48350\n' \
    >"$demo/usb-bus.txt"
start_sim() {
    rm -f "$demo/sim.out"
    "$bin/zepdevsim" --host 127.0.0.1 --port 48350 --target-info examples/TargetInfo.txt \
        --out "$demo/device" --max-connections 1 >"$demo/sim.out" 2>&1 &
    sim=$!
    i=0
    until grep -q "listening" "$demo/sim.out" 2>/dev/null; do
        i=$((i + 1))
        [ $i -lt 100 ] || { cat "$demo/sim.out"; exit 1; }
        sleep 0.1
    done
}
start_sim
trap 'kill $sim 2>/dev/null || true' EXIT
status=0
HALVARD_USB_BUS="$demo/usb-bus.txt" "$demo/halvard" --port-name "usb://Torvi/HV-2000?serial=S1" ||
    status=$?
wait $sim 2>/dev/null || true
trap - EXIT
cmp "$demo/firmware/hv2000_boot.bin" "$demo/device/BOOTABLE"
cmp "$demo/firmware/hv2000_lang.bin" "$demo/device/LANGUAGE"
echo "Both images arrived byte for byte over USB. Updater exit status: $status"
[ "$status" -eq 0 ] || exit $status

echo "== Finding the fleet: 6 simulated printers and an SNMP agent that is no printer on 127.0.78.0/28"
fleet=$demo/fleet
trap 'sh scripts/sim-printers.sh stop "$fleet"' EXIT
HALVARD_BIN=$bin sh scripts/sim-printers.sh start "$fleet" 127.0.78.2 4 HV-2000
HALVARD_BIN=$bin sh scripts/sim-printers.sh start "$fleet" 127.0.78.6 2 LX-700
HALVARD_BIN=$bin sh scripts/sim-printers.sh start "$fleet" 127.0.78.8 1 -
"$demo/halvard" --discover 127.0.78.0/28 --snmp-port 16100 --write-targets "$demo/fleet.txt"
cat "$demo/fleet.txt"
echo "== Updating the printers the package serves, from the file discovery wrote"
status=0
"$demo/halvard" --targets "$demo/fleet.txt" --jobs 4 || status=$?
for d in 2 3 4 5; do
    cmp "$demo/firmware/hv2000_boot.bin" "$fleet/127-0-78-$d/received/BOOTABLE"
    cmp "$demo/firmware/hv2000_lang.bin" "$fleet/127-0-78-$d/received/LANGUAGE"
done
sh scripts/sim-printers.sh stop "$fleet"
trap - EXIT
echo "The 4 served printers received both images byte for byte; the other model was left alone."
[ "$status" -eq 0 ] || exit $status
[ "$mode" = console ] && exit 0

echo "== Building the Windows program (mingw)"
cmake --preset mingw >build-mingw.log 2>&1 || { cat build-mingw.log; exit 1; }
cmake --build --preset mingw -j "$(nproc 2>/dev/null || echo 2)" >>build-mingw.log 2>&1 ||
    { tail -40 build-mingw.log; exit 1; }
rm -f build-mingw.log
"$bin/zepbind" append -o "$demo/ZEP_WIN.exe" --program build/mingw/bin/ZEP_WIN.exe \
    --info examples/ZEPINFO.txt "$demo/firmware/hv2000_boot.bin" "$demo/firmware/hv2000_lang.bin"
rm -rf "$demo/device" "$demo/windows"
mkdir -p "$demo/device" "$demo/windows"
. scripts/wine-env.sh
wine_start
trap 'kill $sim 2>/dev/null || true; wine_stop' EXIT
"$bin/zepdevsim" --host 127.0.0.1 --port 48350 --target-info examples/TargetInfo.txt \
    --out "$demo/device" --max-connections 1 >"$demo/sim.out" 2>&1 &
sim=$!
echo "== Updating the device at 127.0.0.1 with ZEP_WIN.exe (display $DISPLAY)"
win() { echo "Z:$(pwd)/$1" | tr / '\\'; }
wstatus=0
LC_ALL=C.UTF-8 wine build/mingw/bin/zepwizdrive.exe update "$(win "$demo/ZEP_WIN.exe")" \
    "$(win "$demo/windows")" </dev/null || wstatus=$?
wait $sim 2>/dev/null || true
echo "== Checking what the device received from the wizard"
cmp "$demo/firmware/hv2000_boot.bin" "$demo/device/BOOTABLE"
cmp "$demo/firmware/hv2000_lang.bin" "$demo/device/LANGUAGE"
echo "Both images arrived byte for byte. Wizard run status: $wstatus; its pages: $demo/windows"
[ "$wstatus" -eq 0 ] || exit $wstatus
wine_stop
trap - EXIT
mac_part
