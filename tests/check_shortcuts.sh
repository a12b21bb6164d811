#!/usr/bin/env bash
# Reads the shortcuts that TXRAddIcons writes back from Linux with lnkinfo
# (package liblnk-utils) and checks the target, arguments and description of
# each, for the Windows 95 and the Windows NT layout.  Run by ctest in the
# environment of scripts/test (WINEPREFIX and the running Wine server).
#
# Usage: check_shortcuts.sh <path of reboot_and_shortcut_tests.exe>
set -euo pipefail

program="${1:?usage: check_shortcuts.sh <reboot_and_shortcut_tests.exe>}"
prefix="${WINEPREFIX:-$HOME/.wine}"

if ! command -v lnkinfo >/dev/null; then
    echo "lnkinfo is missing: install liblnk-utils (scripts/bootstrap does)" >&2
    exit 1
fi

# A folder of this run on drive C:, seen from Linux and from Wine.
name="txr_shortcut_check_$$"
folder="$prefix/drive_c/$name"
rm -rf "$folder"
mkdir -p "$folder"
trap 'rm -rf "$folder"' EXIT

if ! TXR_SHORTCUT_CHECK_FOLDER="C:\\$name" wine "$program" --gtest_also_run_disabled_tests \
        --gtest_filter=ShortcutTest.DISABLED_WriteForLnkinfo; then
    echo "the test program could not write the shortcuts" >&2
    exit 1
fi

# The value of one field of lnkinfo's report ("" when the field is absent).
field() {
    local report="$1" label="$2"
    printf '%s\n' "$report" | sed -n "s/^[[:space:]]*$label[[:space:]]*: //p" | head -n 1
}

failures=0
# check FILE TARGET ARGUMENTS DESCRIPTION
check() {
    local file="$folder/$1" target="$2" arguments="$3" description="$4"
    if [ ! -f "$file" ]; then
        echo "MISSING $1"
        failures=$((failures + 1))
        return
    fi
    local report
    if ! report="$(lnkinfo "$file" 2>&1)"; then
        echo "UNREADABLE $1:"
        printf '%s\n' "$report"
        failures=$((failures + 1))
        return
    fi
    local seenTarget seenArguments seenDescription
    seenTarget="$(field "$report" "Local path")"
    seenArguments="$(field "$report" "Command line arguments")"
    seenDescription="$(field "$report" "Description")"
    if [ "$seenTarget" = "$target" ] && [ "$seenArguments" = "$arguments" ] &&
       [ "$seenDescription" = "$description" ]; then
        echo "ok   $1: target '$seenTarget', arguments '$seenArguments', description '$seenDescription'"
    else
        echo "FAIL $1"
        echo "     expected target '$target', arguments '$arguments', description '$description'"
        echo "     lnkinfo saw     '$seenTarget', arguments '$seenArguments', description '$seenDescription'"
        printf '%s\n' "$report" | sed 's/^/     | /'
        failures=$((failures + 1))
    fi
}

viewer='C:\Orbisel\Program\TXR32.exe'
uninstaller='C:\windows\uninstxr.exe'
for layout in win95 nt; do
    check "$layout-view.lnk"      "$viewer"      "-f?" "View A File..."
    check "$layout-uninstall.lnk" "$uninstaller" ""    "Uninstall Orbisel"
    check "$layout-startup.lnk"   "$viewer"      ""    "Orbisel"
    check "$layout-desktop.lnk"   "$viewer"      "-f?" "Orbisel"
done

if [ "$failures" -ne 0 ]; then
    echo "$failures shortcut(s) not as expected"
    exit 1
fi
echo "all 8 shortcuts as expected"
