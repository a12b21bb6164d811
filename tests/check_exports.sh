#!/usr/bin/env bash
# The binary interfaces as the loader sees them: TXRUP450.DLL exports
# exactly its 22 functions (the original 21 and TXRRegQuickViewProgram) by
# undecorated name, TXRSETUP.EXE imports TXRSetup from it by name, and
# neither needs a MinGW runtime DLL: only system DLLs, with the C runtime of
# CRTDLL.DLL (every Windows 95 and NT has it), never MSVCRT.DLL (Windows 95
# as first released lacks it).
#   check_exports.sh OBJDUMP TXRUP450.DLL TXRSETUP.EXE
set -euo pipefail
objdump="$1" dll="$2" exe="$3"
failed=0

expected="DeleteFileOnReboot RemoveDeleteOnReboot TXRAddIcons TXRGetRegInfo TXRLogError
TXRRegContextMenu TXRRegExchangeMenu TXRRegExchangeWordMenu TXRRegFileViewerClassId
TXRRegNTShellApproved TXRRegQuickView TXRRegQuickViewCommand TXRRegQuickViewDefault
TXRRegQuickViewOther TXRRegQuickViewProgram TXRRegShellExtClassId TXRRegString
TXRRegTXR32AppPath TXRRegTXRSuppAppPath TXRSetup TXRShutdown TXRUpdate"
exports="$("$objdump" -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
           awk '/^\t\[/ { print $3 }' | sort)"
if [ "$exports" != "$(tr -s ' \n' '\n' <<<"$expected" | sort)" ]; then
    echo "FAIL: the exports of $dll differ from the 22 expected:"
    diff <(tr -s ' \n' '\n' <<<"$expected" | sort) <(echo "$exports") || true
    failed=1
fi

imports="$("$objdump" -p "$exe" | sed -n '/DLL Name: TXRUP450.DLL/,/DLL Name:/p')"
if ! grep -qE '^\s+[0-9a-f]+\s+[0-9]+\s+TXRSetup$' <<<"$imports"; then
    echo "FAIL: $exe does not import TXRSetup from TXRUP450.DLL by name"
    failed=1
fi

for binary in "$dll" "$exe"; do
    runtime="$("$objdump" -p "$binary" | awk '/DLL Name:/ { print $3 }' |
               grep -iE '^(libgcc|libstdc|libwinpthread|libssp)' || true)"
    if [ -n "$runtime" ]; then
        echo "FAIL: $binary needs MinGW runtime DLLs: $runtime"
        failed=1
    fi
    crt="$("$objdump" -p "$binary" | awk '/DLL Name:/ { print toupper($3) }' |
           grep -E '^(CRTDLL|MSVCR[A-Z0-9]*|UCRTBASE|API-MS-WIN-CRT-.*)\.DLL$' | sort -u | tr '\n' ' ')"
    if [ "$crt" != "CRTDLL.DLL " ]; then
        echo "FAIL: $binary links the C runtime ${crt:-(none) }instead of CRTDLL.DLL alone"
        failed=1
    fi
    if ! "$objdump" -f "$binary" | grep -q 'file format pei-i386'; then
        echo "FAIL: $binary is not PE32 i386"
        failed=1
    fi
done

[ "$failed" -eq 0 ] && echo "22 exports, TXRSetup imported by name, no MinGW runtime DLL, CRTDLL.DLL"
exit "$failed"
