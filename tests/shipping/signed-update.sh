#!/bin/sh
# The sample release bound to ZEP_WIN.exe and then Authenticode-signed, as the maker ships it:
# the signature verifies, the packer lists and verifies the signed program and refuses to bind
# to it, and the signed program updates the simulated device with every image intact.
# Usage: signed-update.sh BINDIR SOURCEDIR WORKDIR
set -eu
bin=$1
src=$2
work=$3
wine="$src/scripts/wine-run"
win() { echo "Z:$1" | tr / '\\'; }
fail() {
    echo "FAIL: $*"
    exit 1
}

rm -rf "$work"
mkdir -p "$work/device" "$work/shots"
cd "$work"
sim=""
trap '[ -z "$sim" ] || kill "$sim" 2>/dev/null || true' EXIT

"$wine" "$bin/zepdevsim.exe" --port 0 --target-info "$src/examples/TargetInfo.txt" \
    --out "$(win "$work/device")" >sim.txt 2>&1 &
sim=$!
i=0
until grep -qs "listening on" sim.txt; do
    i=$((i + 1))
    [ $i -lt 300 ] || fail "the simulator did not start: $(cat sim.txt)"
    sleep 0.1
done
port=$(sed -n 's/.*listening on .*:\([0-9]*\).*/\1/p' sim.txt)
sed "s/^PORTNO [0-9]*/PORTNO $port/" "$src/examples/ZEPINFO.txt" >ZEPINFO.txt

printf '#!/bin/sh\nexec "%s" "%s" "$@"\n' "$wine" "$bin/zepbind.exe" >zepbind
chmod +x zepbind
ZEPBIND=$work/zepbind sh "$src/scripts/make-sample-firmware.sh" "$work"
./zepbind append -o bound.exe --program "$bin/ZEP_WIN.exe" --info ZEPINFO.txt \
    hv2000_boot.bin hv2000_lang.bin

# Bind first, then sign.
openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 2 \
    -subj "/CN=Halvard test signer" >/dev/null 2>&1 || fail "openssl could not make a certificate"
osslsigncode sign -certs cert.pem -key key.pem -in bound.exe -out ZEP_WIN.exe >sign.txt 2>&1 ||
    fail "osslsigncode sign: $(cat sign.txt)"
osslsigncode verify -CAfile cert.pem -in ZEP_WIN.exe >verify.txt 2>&1 ||
    fail "the signature does not verify: $(cat verify.txt)"
echo "ok: signed and verified"

./zepbind list ZEP_WIN.exe | tr -d '\r' >list.txt
./zepbind list bound.exe | tr -d '\r' >list-unsigned.txt
cmp -s list.txt list-unsigned.txt || fail "list differs after signing: $(cat list.txt)"
[ "$(wc -l <list.txt)" -eq 3 ] || fail "list: $(cat list.txt)"
./zepbind verify ZEP_WIN.exe >/dev/null || fail "verify refuses the signed program"
if ./zepbind append -o again.exe --program ZEP_WIN.exe --info ZEPINFO.txt hv2000_boot.bin \
    >append.txt 2>&1; then
    fail "append to a signed program succeeded"
fi
grep -q "already signed" append.txt || fail "append: $(cat append.txt)"
[ ! -e again.exe ] || fail "append left again.exe behind"
echo "ok: zepbind list, verify and the refused append"

LC_ALL=en_US.UTF-8 "$wine" "$bin/zepwizdrive.exe" update "$(win "$work/ZEP_WIN.exe")" \
    "$(win "$work/shots")" >drive.txt 2>&1 || fail "the signed program's update: $(cat drive.txt)"
cmp hv2000_boot.bin device/BOOTABLE || fail "BOOTABLE differs"
cmp hv2000_lang.bin device/LANGUAGE || fail "LANGUAGE differs"
osslsigncode verify -CAfile cert.pem -in ZEP_WIN.exe >/dev/null 2>&1 ||
    fail "the signature no longer verifies after the run"
echo "ok: the signed program updated the device"
