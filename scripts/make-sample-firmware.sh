#!/bin/sh
# Writes the sample release's firmware images (deterministic stand-ins, never committed) into
# OUTDIR: hv2000_boot.bin (3 MiB) and hv2000_lang.bin (700000 bytes).
# The packer is taken from $ZEPBIND, else from the first build folder that holds one.
set -eu

if [ $# -ne 1 ]; then
    echo "usage: $0 OUTDIR" >&2
    exit 2
fi
outdir=$1
here=$(cd "$(dirname "$0")/.." && pwd)

if [ -z "${ZEPBIND:-}" ]; then
    for candidate in "$here"/build/*/bin/zepbind; do
        if [ -x "$candidate" ]; then
            ZEPBIND=$candidate
            break
        fi
    done
fi
if [ -z "${ZEPBIND:-}" ] || [ ! -x "$ZEPBIND" ]; then
    echo "$0: zepbind not found; build the zepbind target or set ZEPBIND" >&2
    exit 1
fi

mkdir -p "$outdir"
"$ZEPBIND" make-test-image --size 3145728 --seed 2000 -o "$outdir/hv2000_boot.bin"
"$ZEPBIND" make-test-image --size 700000 --seed 310 -o "$outdir/hv2000_lang.bin"
