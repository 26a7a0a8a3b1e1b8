#!/bin/sh
# Makes a release into one folder (default build/release-out): the Debian package of the console
# tools, the Windows bundle (zip), the macOS bundle (tarball), the Ansible collection when
# contrib/ansible exists, and SHA256SUMS over them. Usage: release.sh [FOLDER]
#
# The firmware bound into the Windows and macOS programs is the sample release unless
# HALVARD_FIRMWARE_INFO names a ZEPINFO.txt and HALVARD_FIRMWARE_IMAGES its images (separated
# by spaces). The Windows programs are signed with osslsigncode when HALVARD_SIGN_CERT names a
# certificate file and HALVARD_SIGN_KEY its private key (HALVARD_SIGN_PASS_FILE: a file holding
# the key's password; HALVARD_SIGN_TIMESTAMP: a timestamping server's URL); without them the
# Windows bundle is named ...-windows-unsigned.zip. The firmware package is signed (ECDSA P-256,
# docs/PACKAGE-SIGNATURES.md) when HALVARD_PACKAGE_KEY names the maker's private key file; its
# signatures differ from run to run (ECDSA draws a fresh number each time), so only an unsigned
# package repeats byte for byte.
#
# One commit gives the same files whoever makes them, wherever and whenever: every time stored is
# SOURCE_DATE_EPOCH (default: the last commit's time), in UTC, and archive members are sorted.
# HALVARD_RELEASE_REUSE_BUILDS=1 packages the builds as they stand (the release test's second run).
set -eu
cd "$(dirname "$0")/.."
out=${1:-build/release-out}
jobs=$(nproc 2>/dev/null || echo 2)
die() {
    echo "release: $*" >&2
    exit 1
}
reuse=${HALVARD_RELEASE_REUSE_BUILDS:-}
[ -n "$reuse" ] || sh scripts/install-deps.sh all

# build <preset> <target>...: configures and builds only what the release ships.
build() {
    preset=$1
    shift
    log=build/$preset.release.log
    mkdir -p build
    echo "== Building $* ($preset)"
    { cmake --preset "$preset" && cmake --build --preset "$preset" -j "$jobs" --target "$@"; } \
        >"$log" 2>&1 || { tail -40 "$log"; die "build of the $preset preset failed ($log)"; }
}
if [ -z "$reuse" ]; then
    build release halvard zepbind zepdevsim ZEP_MAC_package
    build mingw ZEP_WIN halvard zepbind
fi
native=build/release/bin
windows=build/mingw/bin
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/release/CMakeCache.txt)
[ -n "$version" ] || die "no project version in build/release/CMakeCache.txt"
# Every date in the artefacts is the last commit's, so that the same tree gives the same files.
epoch=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || date +%s)}
SOURCE_DATE_EPOCH=$epoch
TZ=UTC0
export SOURCE_DATE_EPOCH TZ
stage=build/release-stage
rm -rf "$stage"
mkdir -p "$stage" "$out"
made=""

# The firmware the programs carry, signed as it is packed when a key is given.
pkgsign=""
[ -z "${HALVARD_PACKAGE_KEY:-}" ] || pkgsign="--sign-key $HALVARD_PACKAGE_KEY"
if [ -n "${HALVARD_FIRMWARE_INFO:-}" ]; then
    info=$HALVARD_FIRMWARE_INFO
    images=${HALVARD_FIRMWARE_IMAGES:?HALVARD_FIRMWARE_INFO needs HALVARD_FIRMWARE_IMAGES}
else
    ZEPBIND=$native/zepbind sh scripts/make-sample-firmware.sh "$stage/firmware" >/dev/null
    info=examples/ZEPINFO.txt
    images="$stage/firmware/hv2000_boot.bin $stage/firmware/hv2000_lang.bin"
fi

# The Debian package: what `cmake --install` puts under /usr for the console tools, with the
# copyright file, a changelog and compressed manual pages.
deb_package() {
    echo "== Debian package"
    arch=$(dpkg --print-architecture)
    # dpkg-shlibdeps expects a source tree: debian/control and the package's folder in debian/.
    root=$stage/deb/debian/halvard
    mkdir -p "$root/DEBIAN"
    printf 'Source: halvard\n\nPackage: halvard\nArchitecture: any\n' >"$stage/deb/debian/control"
    DESTDIR=$(pwd)/$root cmake --install build/release --prefix /usr --component console --strip \
        >/dev/null
    # What dh_strip leaves out as well.
    strip --remove-section=.comment --remove-section=.note "$root"/usr/bin/*
    gzip -9n "$root"/usr/share/man/man1/*.1
    doc=$root/usr/share/doc/halvard
    mkdir -p "$doc"
    cp packaging/debian/copyright "$doc/copyright"
    maintainer=$(sed -n 's/^Maintainer: //p' packaging/debian/control)
    printf 'halvard (%s) unstable; urgency=medium\n\n  * Release %s.\n\n -- %s  %s\n' \
        "$version" "$version" "$maintainer" "$(LC_ALL=C date -u -R -d "@$epoch")" |
        gzip -9n >"$doc/changelog.gz"
    find "$root" -type d -exec chmod 0755 {} +
    find "$root/usr/share" -type f -exec chmod 0644 {} +
    depends=$(cd "$stage/deb" && dpkg-shlibdeps -O debian/halvard/usr/bin/* |
        sed -n 's/^shlibs:Depends=//p')
    [ -n "$depends" ] || die "dpkg-shlibdeps found no dependencies"
    size=$(du -sk --apparent-size "$root/usr" | cut -f1)
    sed -e "s/@VERSION@/$version/" -e "s/@ARCH@/$arch/" -e "s/@SIZE@/$size/" \
        -e "s/@DEPENDS@/$depends/" packaging/debian/control >"$root/DEBIAN/control"
    (cd "$root" && find usr -type f -exec md5sum {} + | sort -k2) >"$root/DEBIAN/md5sums"
    chmod 0644 "$root/DEBIAN/control" "$root/DEBIAN/md5sums"
    find "$root" -exec touch -h -d "@$epoch" {} +
    deb=halvard_${version}_$arch.deb
    SOURCE_DATE_EPOCH=$epoch dpkg-deb --root-owner-group -Zxz --build "$root" "$out/$deb" >/dev/null
    made="$made $deb"
}

# sign <in> <out>: the Windows program signed when a certificate is given, else copied.
sign() {
    if [ -z "${HALVARD_SIGN_CERT:-}" ]; then
        cp "$1" "$2"
        return
    fi
    [ -n "${HALVARD_SIGN_KEY:-}" ] || die "HALVARD_SIGN_CERT needs HALVARD_SIGN_KEY"
    # The signing time is the commit's too (a timestamp server's countersignature is not).
    set -- "$1" "$2" -certs "$HALVARD_SIGN_CERT" -key "$HALVARD_SIGN_KEY" -h sha256 -n Halvard \
        -time "$epoch"
    [ -z "${HALVARD_SIGN_PASS_FILE:-}" ] || set -- "$@" -readpass "$HALVARD_SIGN_PASS_FILE"
    [ -z "${HALVARD_SIGN_TIMESTAMP:-}" ] || set -- "$@" -ts "$HALVARD_SIGN_TIMESTAMP"
    in=$1
    signed=$2
    shift 2
    osslsigncode sign "$@" -in "$in" -out "$signed" >/dev/null || die "signing $in failed"
}

# The Windows bundle: the wizard and the console updater with the firmware bound to them, the
# packer, and the README's Windows section. Bound first, then signed: the programs find their
# package behind the signature, and the signature covers the firmware too.
windows_bundle() {
    if [ -n "${HALVARD_SIGN_CERT:-}" ]; then
        echo "== Windows bundle (signed)"
        name=Halvard-$version-windows
    else
        name=Halvard-$version-windows-unsigned
        echo "== Windows bundle: UNSIGNED, no HALVARD_SIGN_CERT given ($name.zip)"
        echo "release: warning: the Windows programs are not signed" >&2
    fi
    dir=$stage/windows/$name
    mkdir -p "$dir"
    for program in ZEP_WIN halvard; do
        # shellcheck disable=SC2086 # the images are a list
        "$native/zepbind" append -o "$stage/windows/$program.exe" --program "$windows/$program.exe" \
            --info "$info" $pkgsign $images >/dev/null ||
            die "binding the firmware to $program.exe failed"
        sign "$stage/windows/$program.exe" "$dir/$program.exe"
    done
    sign "$windows/zepbind.exe" "$dir/zepbind.exe"
    sed -n '/^## The Windows program/,/^## /p' README.md | sed '$d' >"$dir/README-Windows.md"
    [ -s "$dir/README-Windows.md" ] || die "README.md has no section \"## The Windows program\""
    find "$dir" -type d -exec chmod 0755 {} +
    find "$dir" -type f -exec chmod 0644 {} +
    find "$dir" -exec touch -d "@$epoch" {} +
    rm -f "$out/$name.zip"
    # zip stores local times: UTC (TZ above) makes them the same everywhere; -X leaves out the
    # owner and the extra time fields, the sorted list fixes the order.
    (cd "$stage/windows" && find "$name" | LC_ALL=C sort | zip -X -q -@ -) >"$out/$name.zip"
    made="$made $name.zip"
}

# The macOS bundle ZEP_MAC.app with the same firmware, as a tarball.
macos_bundle() {
    echo "== macOS bundle"
    [ -x "$native/ZEP_MAC.app/ZEP_MAC" ] || die "ZEP_MAC.app was not built (GNUstep missing?)"
    name=Halvard-$version-macos
    mkdir -p "$stage/macos"
    cp -R "$native/ZEP_MAC.app" "$stage/macos/ZEP_MAC.app"
    rm -f "$stage/macos/ZEP_MAC.app/ZEPBINDDATA"
    # shellcheck disable=SC2086 # the images are a list
    "$native/zepbind" create -o "$stage/macos/ZEP_MAC.app/ZEPBINDDATA" --info "$info" $pkgsign \
        $images >/dev/null || die "packing the firmware for ZEP_MAC.app failed"
    tar -C "$stage/macos" --sort=name --mtime="@$epoch" --owner=0 --group=0 --numeric-owner \
        -cf - ZEP_MAC.app | gzip -9n >"$out/$name.tar.gz"
    made="$made $name.tar.gz"
}

# The Ansible collection, from the copy the build made with the project version in galaxy.yml.
collection() {
    echo "== Ansible collection"
    [ -f build/release/ansible-collection/galaxy.yml ] || die "the release build has no collection"
    built=$(ansible-galaxy collection build --force --output-path "$stage/collection" \
        build/release/ansible-collection | sed -n 's/^Created collection for .* at //p')
    [ -f "$built" ] || die "ansible-galaxy made no collection"
    # ansible-galaxy stamps the build's time on its members and the gzip header: the same
    # members again, at the commit's time, under a gzip header with no name or time.
    python3 - "$built" "$epoch" <<'EOF' | gzip -9n >"$out/$(basename "$built")"
import sys, tarfile
src, epoch = sys.argv[1], int(sys.argv[2])
with tarfile.open(src, "r:gz") as tin, \
        tarfile.open(fileobj=sys.stdout.buffer, mode="w|", format=tarfile.PAX_FORMAT) as tout:
    for member in tin:
        member.mtime = epoch
        member.uid = member.gid = 0
        member.uname = member.gname = ""
        tout.addfile(member, tin.extractfile(member) if member.isfile() else None)
EOF
    made="$made $(basename "$built")"
}

deb_package
windows_bundle
macos_bundle
collection
# shellcheck disable=SC2086 # the artefacts are a list of plain names
(cd "$out" && sha256sum $made >SHA256SUMS)
echo "== Release $version in $out:"
(cd "$out" && ls -l $made SHA256SUMS)
