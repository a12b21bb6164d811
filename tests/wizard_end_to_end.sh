#!/usr/bin/env bash
# The setup wizard end to end: the real X:\TXR\TXRSETUP.EXE on the prefix of
# scripts/test, walked by wizard_driver.exe through welcome (install),
# success, program scan (the drive scan), integrate and Plug-in Support to
# Finish and the closing message.  Then the workstation is checked: the
# installation record, the VIEWERS folder, the sample program Quillpad
# integrated through AIQUILL.DLL, and Apple QuickTime enabled.  A PNG of
# every page lands in BUILD_DIR/screenshots/ (scripts/drive-wizard takes
# them), beside the driver's log wizard.log.
#
# The workstation before the run: a Netscape Navigator whose plug-in folder
# holds the QuickTime plug-in's module, and Quillpad Editor on drive C:.
# Both are taken away again at the end, with the product.
#
# Usage: wizard_end_to_end.sh <path of wizard_driver.exe> <build folder>
# Run by ctest in the environment of scripts/test (WINEPREFIX, the running
# Wine server, DISPLAY, the share X:\TXR\).
set -euo pipefail

driver="${1:?usage: wizard_end_to_end.sh <wizard_driver.exe> <build folder>}"
build="${2:?usage: wizard_end_to_end.sh <wizard_driver.exe> <build folder>}"
prefix="${WINEPREFIX:?run under scripts/test}"
: "${DISPLAY:?run under scripts/test}"

setup='X:\TXR\TXRSETUP.EXE'
product='HKLM\Software\Corvel\Orbisel\CurrentVersion'
netscape='HKCU\Software\Netscape'
drive_c="$prefix/drive_c"
share="$(readlink -f "$prefix/dosdevices/x:")/TXR"
root="$(cd "$(dirname "$0")/.." && pwd)"
shots="$build/screenshots"
log="$shots/wizard.log"
netscape_folder="$drive_c/Netscape/Communicator"
plugin_module="$netscape_folder/Program/Plugins/npqtw32.dll"
quillpad="$drive_c/Program Files/Quillpad"

for needed in xwd convert identify winepath; do
    command -v "$needed" >/dev/null || { echo "$needed is missing (scripts/bootstrap installs it)" >&2; exit 1; }
done
if [ ! -f "$share/SUPPORT/AIQUILL.DLL" ]; then
    echo "the share X:\\TXR\\ has no SUPPORT\\AIQUILL.DLL (scripts/share.sh lays it out)" >&2
    exit 1
fi

# The system folder's VIEWERS folder as Linux sees it.
viewers() {
    local found
    found="$(find "$drive_c/windows/system32" -maxdepth 1 -iname viewers -type d | head -n 1)"
    printf '%s\n' "${found:-$drive_c/windows/system32/VIEWERS}"
}

# The data of one registry value as `wine reg query` prints it (REG_DWORD
# as 0x...); empty when the value is missing.
reg_value() {
    local key="$1" name="$2"
    wine reg query "$key" /v "$name" 2>/dev/null | tr -d '\r' |
        awk -v name="$name" '$1 == name { sub(/^[ \t]*[^ \t]+[ \t]+[^ \t]+[ \t]*/, ""); print; exit }'
}

# The default value of a key, as reg_value prints a value.
reg_default() {
    wine reg query "$1" /ve 2>/dev/null | tr -d '\r' |
        awk '$1 == "(Default)" { sub(/^[ \t]*[^ \t]+[ \t]+[^ \t]+[ \t]*/, ""); print; exit }'
}

remove_product() {
    wine "$setup" -s -u </dev/null >/dev/null 2>&1 || true
}

system_viewer='HKCR\QuickView\.txt\{F0F08735-0C36-101B-B086-0020AF07D0F4}'
clean_workstation() {
    remove_product
    wine reg delete 'HKCR\QuickView' /f >/dev/null 2>&1 || true
    wine reg delete 'HKCR\txtfile\QuickView' /f >/dev/null 2>&1 || true
    wine reg delete "$netscape" /f >/dev/null 2>&1 || true
    rm -rf "$drive_c/Netscape" "$quillpad"
}
trap clean_workstation EXIT

# --- The workstation before the run -------------------------------------------
remove_product
mkdir -p "$(viewers)"
rm -f "$(viewers)"/[Qq][Uu][Ii][Kk][Vv][Ii][Ee][Ww].[Oo][Rr][Gg]
printf "the system's Quick View" > "$(viewers)/QUIKVIEW.EXE"
# The system's Quick View entries: its name, a viewer entry, a file type's
# redundant "Quick View" item.
wine reg add 'HKCR\QuickView' /ve /d 'Quick View' /f >/dev/null
wine reg add "$system_viewer" /ve /d 'Text File' /f >/dev/null
wine reg add 'HKCR\txtfile\QuickView' /ve /d '*' /f >/dev/null

mkdir -p "$(dirname "$plugin_module")"
printf 'QuickTime plug-in module' > "$plugin_module"
wine reg add 'HKCU\Software\Netscape\Netscape Navigator\Main' /v 'Install Directory' \
    /d 'C:\Netscape\Communicator' /f >/dev/null

mkdir -p "$quillpad"
printf 'Quillpad Editor' > "$quillpad/QUILLPAD.EXE"
quillpad_ini=$'[Editor]\r\nWrap=1\r\n[Viewer]\r\nProgram=C:\\Program Files\\Quillpad\\QPVIEW.EXE\r\n'
printf '%s' "$quillpad_ini" > "$quillpad/QUILLPAD.INI"

# --- The run ----------------------------------------------------------------------
driver_status=0
TXR_WIZARD_DRIVER="$driver" "$root/scripts/drive-wizard" "$shots" \
    12037=next:installing 12030=next 12032=next 12033=next:integrating 113=finish \
    >/dev/null || driver_status=$?

echo "--- what the driver saw ($log)"
cat "$log" || true
echo "---"

failures=0
fail() {
    echo "FAIL $*"
    failures=$((failures + 1))
}
# expect WHAT ACTUAL EXPECTED
expect() {
    if [ "$2" = "$3" ]; then
        echo "ok   $1: $(printf '%s' "$2" | tr -d '\r' | tr '\n' '|')"
    else
        fail "$1: expected '$3', found '$2'"
    fi
}
# expect_seen PAGE-PREFIX TEXT: the driver's line of that page shows the text.
expect_seen() {
    if grep -F -- "$1" "$log" | grep -q -F -- "$2"; then
        echo "ok   $1 shows $2"
    else
        fail "$1 does not show $2"
    fi
}

[ "$driver_status" -eq 0 ] || fail "the driver reported a failure (exit $driver_status)"

# The pages are laid out for MS Sans Serif; in a substitute font their texts
# are cut off.
if [ -n "$(find "$drive_c/windows/Fonts" -maxdepth 1 -iname sserife.fon)" ]; then
    echo "ok   the prefix has Wine's MS Sans Serif"
else
    fail "the prefix has no MS Sans Serif (fonts-wine, copied in by scripts/wine-env.sh)"
fi

# --- What the pages showed --------------------------------------------------------
expect_seen 'page 12037 ' '"Orbisel Workstation Setup" buttons=Next,Cancel |'
expect_seen 'page 12037 ' '1008 "This setup will allow you to run Orbisel directly from your network server."'
# After the install the sheet has no Cancel any more (cancel to close).
expect_seen 'page 12030 ' '"Success!  but wait..." buttons=Next |'
expect_seen 'page 12030 ' '1029 [ ] "Do not integrate with any programs"'
expect_seen 'page 12032 ' '"Program Scan" buttons=Back,Next |'
expect_seen 'page 12033 ' '"Integrate with Applications" buttons=Back,Next |'
expect_seen 'page 12033 ' '1030 list [Application|Action]'
expect_seen 'page 12033 ' '"Quillpad Editor" 4 "Enable Integration"'
expect_seen 'page 12033 ' '"Wayfarer Web Browser" 4 "Enable Integration"'
expect_seen 'page 113 ' '"Plug-in Support" buttons=Back,Finish |'
expect_seen 'page 113 ' '4015 list [Plug-in|Action]'
expect_seen 'page 113 ' '"Apple QuickTime" 4 "Enable Plug-in"'
expect_seen 'box ' '"Orbisel Workstation Setup" "Orbisel installed successfully. "Orbisel" will now appear on the right click menu of every file in Explorer, Exchange, Find and the Open and Save dialogs in your programs."'
expect_seen 'exit ' 'exit 0'

# --- The workstation afterwards ---------------------------------------------------
expect "InstallPath" "$(reg_value "$product" InstallPath)" 'X:\TXR\'
expect "InstallStatus" "$(reg_value "$product" InstallStatus)" '0x1'
if cmp -s "$share/SUPPORT/QUIKVIEW.EXE" "$(viewers)/QUIKVIEW.EXE"; then
    echo "ok   VIEWERS\\QUIKVIEW.EXE is the share's SUPPORT\\QUIKVIEW.EXE"
else
    fail "VIEWERS\\QUIKVIEW.EXE is not the share's SUPPORT\\QUIKVIEW.EXE"
fi
expect "the system's Quick View kept as QUIKVIEW.ORG" \
    "$(cat "$(viewers)"/[Qq][Uu][Ii][Kk][Vv][Ii][Ee][Ww].[Oo][Rr][Gg] 2>/dev/null || true)" \
    "the system's Quick View"

# Quillpad: found by the scan, its settings file names the viewer on the
# server, and its record says integrated.
expect "Quillpad's settings file" "$(cat "$quillpad/QUILLPAD.INI")" \
    "$(printf '[Editor]\r\nWrap=1\r\n[Viewer]\r\nProgram=X:\\TXR\\PROGRAM\\TXR32.EXE\r\n')"
expect "Apps\\Quillpad Status" "$(reg_value "$product\\Apps\\Quillpad" Status)" '0x2'
expect "Apps\\Quillpad AppPath" "$(reg_value "$product\\Apps\\Quillpad" AppPath)" \
    'C:\Program Files\Quillpad\'
expect "Apps\\Wayfarer Status" "$(reg_value "$product\\Apps\\Wayfarer" Status)" '0x2'

# QuickTime: found in Netscape's plug-in folder, proposed, kept, enabled.
expect "Plugins\\Quicktime Enabled" "$(reg_value "$product\\Plugins\\Quicktime" Enabled)" '0x1'
expect "Plugins\\Quicktime Path" "$(reg_value "$product\\Plugins\\Quicktime" Path)" \
    'C:\Netscape\Communicator\Program\Plugins\npqtw32.dll'

# --- A picture of every page ------------------------------------------------------
for name in 01-welcome 02-installing 03-success 04-program-scan 05-integrate 06-integrating \
            07-plugins 08-closing-message; do
    if [ -s "$shots/$name.png" ] && identify "$shots/$name.png" >/dev/null 2>&1; then
        echo "ok   screenshot $shots/$name.png ($(identify -format '%wx%h' "$shots/$name.png"))"
    else
        fail "no screenshot $shots/$name.png"
    fi
done

# --- The wizard, then the unattended setup over it, then the uninstall -----------
# Every server upgrade has users run setup again; the uninstall after it
# gives the system's Quick View back as the wizard found it.
wine "$setup" -s </dev/null >/dev/null 2>&1 || true
expect "setup over the wizard's: InstallStatus" \
    "$(reg_value 'HKLM\Software\Corvel\Orbisel\CurrentVersion' InstallStatus)" 0x1
expect "setup over the wizard's: the saved copy keeps the system's name" \
    "$(reg_default 'HKCR\QuickView.Original')" 'Quick View'
remove_product
expect "after the uninstall: Quick View's name" "$(reg_default 'HKCR\QuickView')" 'Quick View'
expect "after the uninstall: the system viewer's entry" "$(reg_default "$system_viewer")" 'Text File'
expect "after the uninstall: the file type's Quick View item" \
    "$(reg_default 'HKCR\txtfile\QuickView')" '*'
expect "after the uninstall: no saved copy left" \
    "$(wine reg query 'HKCR\QuickView.Original' >/dev/null 2>&1 && echo present || echo none)" none
expect "after the uninstall: the system's QUIKVIEW.EXE" "$(cat "$(viewers)/QUIKVIEW.EXE")" "the system's Quick View"
expect "after the uninstall: no QUIKVIEW.ORG" \
    "$(ls "$(viewers)" | grep -ci '^quikview.org$' || true)" 0

# --- What the pictures show -------------------------------------------------------
# Where control ID of page PAGE lies in the page's screenshot, as the crop
# geometry WxH+X+Y (from the driver's layout line); empty when not logged.
placement() {
    grep "^layout $1 " "$log" | tr '|' '\n' |
        awk -v id="$2" '$1 == id { split($2, r, ","); printf "%sx%s+%s+%s\n", r[3], r[4], r[1], r[2]; exit }'
}
# The number of dark pixels (text) in that part of a screenshot.
dark_pixels() {
    convert "$1" -crop "$2" +repage -colorspace Gray -threshold 40% -negate \
        -format '%[fx:round(mean*w*h)]' info: 2>/dev/null || echo 0
}
# expect_text_in SHOT PAGE ID WHAT: the control shows some text in the shot.
expect_text_in() {
    local geometry
    geometry="$(placement "$2" "$3")"
    if [ -z "$geometry" ]; then
        fail "no layout of control $3 on page $2"
    elif [ "$(dark_pixels "$shots/$1.png" "$geometry")" -gt 0 ]; then
        echo "ok   $1: $4 shows (control $3 at $geometry)"
    else
        fail "$1: $4 does not show (control $3 at $geometry is blank)"
    fi
}
# The progress lines are empty before their page's work and show while it
# runs, although the page's thread does nothing but work and pause.
expect "01-welcome: the progress caption before the install (dark pixels)" \
    "$(dark_pixels "$shots/01-welcome.png" "$(placement 12037 1011)")" 0
expect_text_in 02-installing 12037 1011 '"Installing Orbisel..."'
expect "05-integrate: the progress line before Next (dark pixels)" \
    "$(dark_pixels "$shots/05-integrate.png" "$(placement 12033 1036)")" 0
expect_text_in 06-integrating 12033 1036 '"Integrating Orbisel with Quillpad Editor"'
# The left bitmap panel (where hidden control 1004 lies) is painted on every
# page: the picture is blue, the page around it grey.
for shot in 01-welcome:12037 03-success:12030 04-program-scan:12032 05-integrate:12033 \
            07-plugins:113; do
    name="${shot%%:*}" page="${shot##*:}"
    geometry="$(placement "$page" 1004)"
    blueness="$(convert "$shots/$name.png" -crop "$geometry" +repage \
                -format '%[fx:round(100*(mean.b-mean.r))]' info: 2>/dev/null || echo 0)"
    if [ -n "$geometry" ] && [ "$blueness" -gt 20 ]; then
        echo "ok   $name: the left panel is painted ($geometry, blue over red $blueness%)"
    else
        fail "$name: the left panel at '$geometry' is not painted (blue over red $blueness%)"
    fi
done

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "the wizard went through every page and the workstation is set up as chosen"
