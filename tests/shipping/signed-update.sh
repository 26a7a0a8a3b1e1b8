#!/bin/sh
# The sample release bound to ZEP_WIN.exe and then Authenticode-signed, as the maker ships it:
# the signature verifies, the packer lists and verifies the signed program and refuses to bind
# to it, and the signed program updates the simulated device with every image intact. A package
# grafted into the signature is refused by the wizard, halvard and the packer. The package is
# signed too (bind, sign the package, sign the program: all verify), and a wizard built with the
# maker's key refuses another key's package.
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

# Bind first, then sign the package (the openssl command line over the packer's signed-bytes:
# zepbind.exe verifies but does not sign), then sign the program.
openssl ecparam -name prime256v1 -genkey -noout -out pkg.key
openssl pkey -in pkg.key -pubout -out pkg.pub
fingerprint=$(openssl pkey -pubin -in pkg.pub -outform DER | sha256sum | cut -d' ' -f1)
sign_package() { # FILE KEY PUB
    ./zepbind signed-bytes "$1" -o manifest.txt >/dev/null || fail "signed-bytes $1"
    openssl dgst -sha256 -sign "$2" -out pkg.sig manifest.txt
    ./zepbind attach-signature --public-key "$3" --signature pkg.sig "$1" >/dev/null ||
        fail "attach-signature $1"
}
sign_package bound.exe pkg.key pkg.pub
./zepbind verify bound.exe | tr -d '\r' | grep -qx "signature: signed by $fingerprint" ||
    fail "the bound package's signature: $(./zepbind verify bound.exe)"
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
[ "$(wc -l <list.txt)" -eq 4 ] || fail "list: $(cat list.txt)"
./zepbind verify ZEP_WIN.exe | tr -d '\r' | grep -qx "signature: signed by $fingerprint" ||
    fail "verify: the signed program's package: $(./zepbind verify ZEP_WIN.exe)"
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
./zepbind verify ZEP_WIN.exe | tr -d '\r' | grep -qx "signature: signed by $fingerprint" ||
    fail "the package's signature no longer verifies after the run"
echo "ok: the signed program updated the device; both signatures verify"

# A wizard built with the maker's key refuses a package signed by another key, and updates the
# device with one signed by its own.
./zepbind append -o keyed.exe --program "$bin/ZEP_WIN_keyed.exe" --info ZEPINFO.txt \
    hv2000_boot.bin hv2000_lang.bin >/dev/null
sign_package keyed.exe pkg.key pkg.pub
LC_ALL=en_US.UTF-8 "$wine" "$bin/zepwizdrive.exe" refused "$(win "$work/keyed.exe")" \
    "$(win "$work/shots")" >drive-keyed.txt 2>&1 ||
    fail "the keyed wizard took another key's package: $(cat drive-keyed.txt)"
grep -q "Could not properly read the firmware" drive-keyed.txt ||
    fail "the keyed wizard: $(cat drive-keyed.txt)"
rm -f device/BOOTABLE device/LANGUAGE
sign_package keyed.exe "$src/tests/files/keys/maker-test.key" "$src/tests/files/keys/maker-test.pub"
LC_ALL=en_US.UTF-8 "$wine" "$bin/zepwizdrive.exe" update "$(win "$work/keyed.exe")" \
    "$(win "$work/shots")" >drive-keyed.txt 2>&1 ||
    fail "the keyed wizard's update: $(cat drive-keyed.txt)"
cmp hv2000_boot.bin device/BOOTABLE || fail "BOOTABLE differs (keyed wizard)"
echo "ok: the wizard built with the maker's key refuses another key's package and takes its own"

# A foreign package grafted into the certificate table: the last certificate's length and the
# security directory's size (neither is signed) grown over a second package whose trailer ends
# the file. The signature still verifies; the programs and the packer refuse the file.
le32() { od -An -t u4 -j "$2" -N 4 "$1" | tr -d ' '; }
put32() { # put32 FILE OFFSET VALUE
    # shellcheck disable=SC2059 # the format is the four bytes
    printf "$(printf '\\%03o\\%03o\\%03o\\%03o' $(($3 & 255)) $(($3 >> 8 & 255)) \
        $(($3 >> 16 & 255)) $(($3 >> 24 & 255)))" | dd of="$1" bs=1 seek="$2" conv=notrunc 2>/dev/null
}
pe=$(le32 ZEP_WIN.exe 60)
[ "$(od -An -t u2 -j $((pe + 24)) -N 2 ZEP_WIN.exe | tr -d ' ')" = 523 ] || fail "not a PE32+ program"
security=$((pe + 24 + 112 + 4 * 8))
table=$(le32 ZEP_WIN.exe $security)
signed_size=$(stat -c %s ZEP_WIN.exe)
# Bound as to an unsigned program, so that the foreign package's offsets hold in the grafted file;
# zero bytes before it keep the grown certificate a multiple of 8 bytes long.
cp ZEP_WIN.exe carrier.exe
put32 carrier.exe $security 0
put32 carrier.exe $((security + 4)) 0
mkdir foreign
sed 's/^MODELNAME "Halvard HV-2000"/MODELNAME "Foreign FX-1"/' ZEPINFO.txt >foreign/ZEPINFO.txt
./zepbind make-test-image --size 5000 --seed 99 -o foreign/hv2000_boot.bin
./zepbind make-test-image --size 700 --seed 98 -o foreign/hv2000_lang.bin
for output in probe.exe grafted.exe; do
    ./zepbind append -o $output --program carrier.exe --info foreign/ZEPINFO.txt \
        foreign/hv2000_boot.bin foreign/hv2000_lang.bin
    head -c $(((8 - ($(stat -c %s $output) - signed_size) % 8) % 8)) /dev/zero >>carrier.exe
done
grafted_size=$(stat -c %s grafted.exe)
put32 grafted.exe $security "$table"
put32 grafted.exe $((security + 4)) $((grafted_size - table))
put32 grafted.exe "$table" $(($(le32 grafted.exe "$table") + grafted_size - signed_size))
osslsigncode verify -CAfile cert.pem -in grafted.exe >verify-grafted.txt 2>&1 ||
    fail "the grafted program's signature no longer verifies, so this proves nothing: $(cat verify-grafted.txt)"
for command in "list grafted.exe" "verify grafted.exe" \
    "extract grafted.exe ZEPINFO.txt -o out.txt"; do
    # shellcheck disable=SC2086 # the command's words
    if ./zepbind $command >refused.txt 2>&1 || grep -q "Foreign" refused.txt; then
        fail "zepbind $command read the grafted package: $(cat refused.txt)"
    fi
    grep -q "package found inside the signature" refused.txt ||
        fail "zepbind $command: $(cat refused.txt)"
done
[ ! -e out.txt ] || fail "zepbind extract wrote the foreign ZEPINFO.txt"
if "$wine" "$bin/halvard.exe" --package grafted.exe --list >halvard.txt 2>&1; then
    fail "halvard read the grafted package: $(cat halvard.txt)"
fi
grep -q "package found inside the signature" halvard.txt || fail "halvard: $(cat halvard.txt)"
LC_ALL=en_US.UTF-8 "$wine" "$bin/zepwizdrive.exe" refused "$(win "$work/grafted.exe")" \
    "$(win "$work/shots")" >drive-grafted.txt 2>&1 ||
    fail "the grafted wizard did not end with a message: $(cat drive-grafted.txt)"
grep -q "Could not properly read the firmware" drive-grafted.txt ||
    fail "the grafted wizard: $(cat drive-grafted.txt)"
echo "ok: a package grafted into the signature is refused by the wizard, halvard and zepbind"
