#!/bin/sh
# Makes a release with scripts/release.sh and meets it as its users would: lintian on the Debian
# package, the package unpacked into a scratch root with its programs and manual pages run from
# there, the Windows and macOS bundles opened, the Ansible collection installed into a scratch
# collections path and its module documented by ansible-doc, SHA256SUMS checked; the packaging
# run again from the same builds in another time zone gives the same SHA256SUMS; a third run with
# a package key signs every bundle's package. A step of
# scripts/test.sh; reuses the release and mingw builds. Exits non-zero on the first failure.
set -eu
cd "$(dirname "$0")/../.."
out=build/release-test
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}

rm -rf "$out" "$out-again"
TZ=UTC sh scripts/release.sh "$out" >"$scratch/release.txt" 2>&1 ||
    { cat "$scratch/release.txt"; fail "release.sh failed"; }
cat "$scratch/release.txt"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/release/CMakeCache.txt)
deb=$out/halvard_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no $deb"

echo "== lintian $(basename "$deb")"
lintian --fail-on error "$deb" || fail "lintian reports errors"

echo "== the package unpacked into a scratch root"
dpkg-deb -f "$deb" Depends | grep -q "libc6" || fail "Depends names no libc6"
dpkg-deb -x "$deb" "$scratch/root"
for tool in halvard zepbind zepdevsim; do
    said=$("$scratch/root/usr/bin/$tool" --version) || fail "$tool --version failed"
    [ "$said" = "$tool $version" ] || fail "$tool --version says \"$said\", not \"$tool $version\""
    page=$scratch/root/usr/share/man/man1/$tool.1.gz
    [ -f "$page" ] || fail "no manual page $tool.1.gz"
    # Any complaint of man or groff about the page is a failure.
    complaints=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null) ||
        fail "man -l $tool.1.gz failed"
    [ -z "$complaints" ] || fail "man -l $tool.1.gz: $complaints"
    echo "$said; man -l $tool.1.gz: clean"
done
[ -f "$scratch/root/usr/share/doc/halvard/copyright" ] || fail "no copyright file"

echo "== the Windows bundle"
# No certificate was given: the name and the script's output say the programs are unsigned.
name=Halvard-$version-windows-unsigned
zip=$out/$name.zip
[ ! -e "$out/Halvard-$version-windows.zip" ] || fail "an unsigned bundle under the signed name"
grep -q "UNSIGNED" "$scratch/release.txt" || fail "release.sh did not say the bundle is unsigned"
unzip -q "$zip" -d "$scratch/windows" || fail "cannot unpack $zip"
for file in ZEP_WIN.exe halvard.exe zepbind.exe README-Windows.md; do
    [ -s "$scratch/windows/$name/$file" ] || fail "$file missing from $zip"
done
for program in ZEP_WIN.exe halvard.exe; do
    build/release/bin/zepbind verify "$scratch/windows/$name/$program" \
        >/dev/null || fail "$program carries no sound firmware package"
done
echo "ZEP_WIN.exe and halvard.exe carry the firmware; zepbind.exe and the README are there"

echo "== the macOS bundle"
tar -xzf "$out/Halvard-$version-macos.tar.gz" -C "$scratch" || fail "cannot unpack the tarball"
[ -x "$scratch/ZEP_MAC.app/ZEP_MAC" ] || fail "no ZEP_MAC.app/ZEP_MAC in the tarball"
grep -q "CFBundleVersion = \"$version\";" "$scratch/ZEP_MAC.app/Resources/Info-gnustep.plist" ||
    fail "the bundle's Info-gnustep.plist does not carry $version"
build/release/bin/zepbind verify "$scratch/ZEP_MAC.app/ZEPBINDDATA" >/dev/null ||
    fail "ZEP_MAC.app carries no sound firmware package"
echo "ZEP_MAC.app $version carries the firmware"

echo "== the Ansible collection"
if [ -d contrib/ansible ]; then
    built=$(cd "$out" && ls ./*-"$version".tar.gz | grep -v "^./Halvard-") ||
        fail "no collection $version in $out"
    [ "$(echo "$built" | wc -l)" -eq 1 ] || fail "more than one collection in $out: $built"
    ANSIBLE_COLLECTIONS_PATH=$scratch/collections ansible-galaxy collection install \
        -p "$scratch/collections" "$out/$built" >/dev/null || fail "cannot install $built"
    grep -q "\"version\": \"$version\"" "$scratch"/collections/ansible_collections/*/*/MANIFEST.json ||
        fail "the installed collection is not version $version"
    modules=$(cd "$scratch/collections/ansible_collections" && ls ./*/*/plugins/modules/*.py) ||
        fail "the collection has no module"
    for module in $modules; do
        fqcn=$(echo "$module" | sed 's|^\./\([^/]*\)/\([^/]*\)/plugins/modules/\(.*\)\.py$|\1.\2.\3|')
        ANSIBLE_COLLECTIONS_PATH=$scratch/collections ansible-doc "$fqcn" >/dev/null ||
            fail "ansible-doc $fqcn failed"
        echo "ansible-doc $fqcn: documented"
    done
else
    echo "skipped: no collection yet (contrib/ansible absent)"
fi

echo "== SHA256SUMS"
(cd "$out" && sha256sum --strict -c SHA256SUMS) || fail "SHA256SUMS does not match"
for file in "$out"/*; do
    name=$(basename "$file")
    [ "$name" = SHA256SUMS ] || grep -q "  $name\$" "$out/SHA256SUMS" ||
        fail "$name is not in SHA256SUMS"
done

echo "== the same release again, packaged in another time zone"
TZ=Asia/Tokyo HALVARD_RELEASE_REUSE_BUILDS=1 sh scripts/release.sh "$out-again" >/dev/null 2>&1 ||
    fail "the second packaging failed"
diff "$out/SHA256SUMS" "$out-again/SHA256SUMS" || fail "the two releases differ"
echo "identical SHA256SUMS"

echo "== a release with a signed firmware package"
openssl ecparam -name prime256v1 -genkey -noout -out "$scratch/maker.key"
fingerprint=$(openssl pkey -in "$scratch/maker.key" -pubout -outform DER | sha256sum | cut -d' ' -f1)
rm -rf "$out-signed"
HALVARD_PACKAGE_KEY=$scratch/maker.key HALVARD_RELEASE_REUSE_BUILDS=1 \
    sh scripts/release.sh "$out-signed" >"$scratch/signed.txt" 2>&1 ||
    { cat "$scratch/signed.txt"; fail "the signed packaging failed"; }
windows=Halvard-$version-windows-unsigned
rm -rf "$scratch/signed" && mkdir -p "$scratch/signed"
unzip -q "$out-signed/$windows.zip" -d "$scratch/signed" || fail "cannot unpack the signed bundle"
tar -xzf "$out-signed/Halvard-$version-macos.tar.gz" -C "$scratch/signed" ||
    fail "cannot unpack the signed tarball"
for file in "$scratch/signed/$windows/ZEP_WIN.exe" "$scratch/signed/$windows/halvard.exe" \
    "$scratch/signed/ZEP_MAC.app/ZEPBINDDATA"; do
    build/release/bin/zepbind verify "$file" | grep -qx "signature: signed by $fingerprint" ||
        fail "$(basename "$file") does not carry the package signed by the release key"
done
echo "every bundle's package is signed by $fingerprint"
echo "release $version: every check passed"
