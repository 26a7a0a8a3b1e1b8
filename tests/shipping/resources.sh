#!/bin/sh
# The manifest and the version information as built into the programs, read back with windres.
# Usage: resources.sh BINDIR VERSION WINDRES
set -eu
bin=$1
version=$2
windres=$3
failed=0
check() { # check WHAT TEXT PATTERN
    if printf '%s' "$2" | grep -q -- "$3"; then echo "ok: $1"; else echo "FAIL: $1 (no $3)"; failed=1; fi
}
commas=$(echo "$version.0.0.0" | cut -d. -f1-4 | tr . ,)

for exe in ZEP_WIN halvard zepbind; do
    rc=$("$windres" -i "$bin/$exe.exe" -O rc 2>&1 | tr -d ' ') || true
    check "$exe version" "$rc" "FILEVERSION$commas"
    check "$exe product version" "$rc" "PRODUCTVERSION$commas"
    check "$exe version text" "$rc" "VALUE\"FileVersion\",\"$version\""
    check "$exe product" "$rc" 'VALUE"ProductName","Halvard"'
    check "$exe company" "$rc" 'VALUE"CompanyName","Torvi"'
    check "$exe file name" "$rc" "VALUE\"OriginalFilename\",\"$exe.exe\""
done

# Every language of the wizard has its version block.
rc=$("$windres" -i "$bin/ZEP_WIN.exe" -O rc | tr -d ' ')
blocks=$(printf '%s' "$rc" | grep -c '^BLOCK"0[0-9a-f]*04b0"$' || true)
[ "$blocks" -eq 19 ] && echo "ok: 19 version blocks" || { echo "FAIL: $blocks version blocks"; failed=1; }

# The manifest, as the bytes of resource 1 of type 24.
manifest=$(x86_64-w64-mingw32-objcopy -O binary -j .rsrc "$bin/ZEP_WIN.exe" /dev/stdout | tr -d '\0')
check "manifest: asInvoker" "$manifest" 'level="asInvoker"'
check "manifest: common controls 6" "$manifest" 'Microsoft.Windows.Common-Controls" version="6.0.0.0"'
check "manifest: per-monitor DPI" "$manifest" '>PerMonitorV2, PerMonitor<'
check "manifest: Windows 10 and 11" "$manifest" '8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a'
check "manifest: Windows 7" "$manifest" '35138b9a-5d96-4fbd-8e2d-a2440225f93a'

# The import tables: KnownDLLs, and comctl32 in the wizard, whose manifest resolves it to common
# controls 6 (a delay load by its system path would get version 5); the other system DLLs are
# delay-loaded from the system folder and stay out of them.
known="ADVAPI32.DLL GDI32.DLL KERNEL32.DLL MSVCRT.DLL USER32.DLL WS2_32.DLL"
for exe in ZEP_WIN halvard zepbind; do
    imports=$(x86_64-w64-mingw32-objdump -p "$bin/$exe.exe" | sed -n 's/^[[:space:]]*DLL Name: //p' |
        tr '[:lower:]' '[:upper:]')
    allowed=$known
    [ "$exe" != ZEP_WIN ] || allowed="$allowed COMCTL32.DLL"
    for dll in $imports; do
        case " $allowed " in
        *" $dll "*) ;;
        *) echo "FAIL: $exe imports $dll directly"; failed=1 ;;
        esac
    done
    [ "$exe" != ZEP_WIN ] || check "ZEP_WIN imports comctl32" "$imports" "^COMCTL32.DLL$"
done
exit $failed
