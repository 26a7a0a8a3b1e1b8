#!/bin/sh
# Package signatures and the openssl command line: what zepbind signs, openssl verifies by hand;
# what openssl signs over zepbind's signed-bytes, zepbind accepts; fingerprints agree.
# Usage: openssl-interop.sh ZEPBIND SCRATCH_DIR
set -eu
zepbind=$1
dir=$2
rm -rf "$dir" && mkdir -p "$dir" && cd "$dir"
openssl ecparam -name prime256v1 -genkey -noout -out maker.key
openssl pkey -in maker.key -pubout -out maker.pub
fingerprint=$(openssl pkey -pubin -in maker.pub -outform DER | sha256sum | cut -d' ' -f1)
"$zepbind" make-test-image --size 70000 --seed 7 -o boot.bin
printf 'TGMNAME T\r\nVERSION BOOT=1 boot.bin BOOT\r\n' > ZEPINFO.txt

# zepbind signs, openssl checks.
"$zepbind" create -o signed.pkg --info ZEPINFO.txt --sign-key maker.key boot.bin
"$zepbind" signed-bytes signed.pkg -o manifest.txt --signature sig.der
openssl dgst -sha256 -verify maker.pub -signature sig.der manifest.txt
"$zepbind" verify signed.pkg | grep -qx "signature: signed by $fingerprint"
grep -q " boot.bin$" manifest.txt

# openssl signs, zepbind checks.
"$zepbind" create -o plain.pkg --info ZEPINFO.txt boot.bin
"$zepbind" verify plain.pkg | grep -qx "signature: unsigned"
"$zepbind" signed-bytes plain.pkg -o plain-manifest.txt
openssl dgst -sha256 -sign maker.key -out plain.sig plain-manifest.txt
"$zepbind" attach-signature --public-key maker.pub --signature plain.sig -o attached.pkg plain.pkg
"$zepbind" verify attached.pkg | grep -qx "signature: signed by $fingerprint"

# A signature over other bytes is refused and nothing is written.
printf 'other\n' > other.txt
openssl dgst -sha256 -sign maker.key -out other.sig other.txt
if "$zepbind" attach-signature --public-key maker.pub --signature other.sig -o bad.pkg plain.pkg \
    2>/dev/null; then
    echo "a signature over other bytes was attached" >&2
    exit 1
fi
test ! -e bad.pkg
echo "openssl interop: ok"
