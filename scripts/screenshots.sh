#!/bin/sh
# Screenshots of the Windows wizard under Wine, for docs/screenshots/: every page and the
# confirmations in English, German and Japanese, and updates of the simulated device: the
# progress page during the transfer and the result messages of an update and of a busy device.
# Then the macOS window (GNUstep) in English and German: every page, the update window and the
# result alerts of an update and of a device of another model.
# Usage: sh scripts/screenshots.sh      (HALVARD_SHOTS=mac: the macOS window only)
set -eu
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh all
sh scripts/install-deps.sh screenshots
. scripts/wine-env.sh

cmake --preset release >/dev/null && cmake --build --preset release -j "$(nproc)" >/dev/null
out=docs/screenshots
work=build/screenshots
rm -rf "$work"
mkdir -p "$out" "$work/firmware"
sh scripts/make-sample-firmware.sh "$work/firmware" >/dev/null

# The macOS window: each run walks every page and an update of the simulated device.
build/release/bin/zepbind create -o "$work/ZEPBINDDATA" --info examples/ZEPINFO.txt \
    "$work/firmware/hv2000_boot.bin" "$work/firmware/hv2000_lang.bin" >/dev/null
sh scripts/mac-drive.sh build/release "$work/ZEPBINDDATA" "$out" mac-en- English "$work/mac-en"
sh scripts/mac-drive.sh build/release "$work/ZEPBINDDATA" "$out" mac-de- German "$work/mac-de"
sed 's/^TGMNAME HV2000/TGMNAME XX9999/' examples/TargetInfo.txt >"$work/other-model.txt"
sh scripts/mac-drive.sh build/release "$work/ZEPBINDDATA" "$work/mac-model" mac-en-model- \
    English "$work/mac-model-device" --target-info "$work/other-model.txt" || true
cp "$work"/mac-model/*-result.png "$out/mac-en-model-result.png"
[ "${HALVARD_SHOTS:-all}" = mac ] && { ls "$out"; exit 0; }

cmake --preset mingw >/dev/null && cmake --build --preset mingw -j "$(nproc)" >/dev/null
build/release/bin/zepbind append -o "$work/ZEP_WIN.exe" --program build/mingw/bin/ZEP_WIN.exe \
    --info examples/ZEPINFO.txt "$work/firmware/hv2000_boot.bin" "$work/firmware/hv2000_lang.bin" >/dev/null
win() { echo "Z:$(pwd)/$1" | tr / '\\'; }

wine_start
trap wine_stop EXIT
for lang in en_US de_DE ja_JP; do
    mkdir -p "$work/$lang"
    # The system language Wine reports follows the locale it is started in.
    LC_ALL=$lang.UTF-8 wine build/mingw/bin/zepwizdrive.exe tour "$(win "$work/ZEP_WIN.exe")" \
        "$(win "$work/$lang")" </dev/null
    for f in "$work/$lang"/*.bmp; do
        convert "$f" "$out/$lang-$(basename "$f" .bmp).png"
    done
done

# update NAME SIMULATOR-FLAGS...: an update of a simulated device by address, in English.
update() {
    name=$1
    shift
    build/release/bin/zepdevsim --host 127.0.0.1 --port 48350 --target-info examples/TargetInfo.txt \
        --max-connections 1 "$@" >"$work/sim.out" 2>&1 &
    sim=$!
    mkdir -p "$work/$name"
    LC_ALL=en_US.UTF-8 wine build/mingw/bin/zepwizdrive.exe update "$(win "$work/ZEP_WIN.exe")" \
        "$(win "$work/$name")" </dev/null || true
    kill $sim 2>/dev/null || true
    wait $sim 2>/dev/null || true
    for f in "$work/$name"/*.bmp; do
        convert "$f" "$out/$name-$(basename "$f" .bmp).png"
    done
}
update en_US-updated
update en_US-busy --enter-status 0x1001
ls "$out"
