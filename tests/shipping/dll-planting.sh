#!/bin/sh
# Under Wine with native-first overrides (Windows' order for DLLs outside the KnownDLLs), a
# marker DLL is planted beside each program under every name it might import; each program
# then runs (the wizard its pages, the console tools --help) and no marker may be written.
# Usage: dll-planting.sh BINDIR SOURCEDIR WORKDIR
set -eu
bin=$1
src=$2
work=$3
wine="$src/scripts/wine-run"
planted="winspool.drv comctl32.dll setupapi.dll"
export WINEDLLOVERRIDES="winspool.drv,comctl32,setupapi=n,b"
win() { echo "Z:$1" | tr / '\\'; }

rm -rf "$work"
mkdir -p "$work"
failed=0
# plant DIR: the marker under every planted name in DIR.
plant() {
    for name in $planted; do cp "$bin/zep_planted_marker.dll" "$1/$name"; done
}
# markers DIR WHAT SHOULD: whether markers were written matches SHOULD (yes/no).
markers() {
    found=$(cd "$1" && ls ./*.loaded 2>/dev/null | tr '\n' ' ' || true)
    if [ "$3" = yes ] && [ -z "$found" ]; then
        echo "FAIL: $2: the planted DLLs were not loaded; the check proves nothing"
        failed=1
    elif [ "$3" = no ] && [ -n "$found" ]; then
        echo "FAIL: $2 loaded planted DLLs: $found"
        failed=1
    else
        echo "ok: $2"
    fi
}

# The control: ordinary imports of the same names do load the planted copies.
mkdir "$work/control"
cp "$bin/zep_plant_control.exe" "$work/control/"
plant "$work/control"
"$wine" "$work/control/zep_plant_control.exe" >/dev/null 2>&1 || true
markers "$work/control" "control program" yes

for tool in halvard zepbind; do
    mkdir "$work/$tool"
    cp "$bin/$tool.exe" "$work/$tool/"
    plant "$work/$tool"
    "$wine" "$work/$tool/$tool.exe" --help >"$work/$tool/help.txt" 2>&1 ||
        { echo "FAIL: $tool --help"; failed=1; }
    markers "$work/$tool" "$tool.exe --help" no
done

# The wizard needs a package to show its pages; the driver walks them and cancels.
mkdir "$work/wizard"
"$wine" "$bin/zepbind.exe" make-test-image --size 4096 --seed 1 -o "$work/hv2000_boot.bin"
"$wine" "$bin/zepbind.exe" append -o "$work/wizard/ZEP_WIN.exe" --program "$bin/ZEP_WIN.exe" \
    --info "$src/examples/ZEPINFO.txt" "$work/hv2000_boot.bin"
plant "$work/wizard"
mkdir "$work/shots"
"$wine" "$bin/zepwizdrive.exe" tour "$(win "$work/wizard/ZEP_WIN.exe")" "$(win "$work/shots")" \
    >"$work/wizard/tour.txt" 2>&1 || { echo "FAIL: the wizard's pages"; cat "$work/wizard/tour.txt"; failed=1; }
markers "$work/wizard" "ZEP_WIN.exe pages" no
exit $failed
