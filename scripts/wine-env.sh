# Shared by the scripts: a throwaway 32-bit Wine prefix and an X display.
# Source it, then call txr_wine_prefix DIR and txr_start_display.

export WINEARCH=win32
export WINEDEBUG=-all
# No Mono or Gecko installers on a fresh prefix.  No winemenubuilder
# either: Wine starts it for every shortcut written below the Start menu or
# the desktop, and it reads the shortcut in a process of its own while the
# tests remove it (on a slow machine the group folder could then not go).
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

txr_cleanup_pids=()

# True when this machine runs Wine's 32-bit programs itself: a kernel with
# ia32 emulation switched off (or a hypervisor without compatibility mode)
# refuses every 32-bit executable, Wine's loader among them.  False too with
# TXR_FORCE_VM=1, so that the virtual machine's path can be tried on a
# machine that does not need it.
txr_runs_32bit_code() {
    if [ "${TXR_FORCE_VM:-}" = 1 ]; then
        return 1
    fi
    wine --version >/dev/null 2>&1
}

# Why the Wine part runs in scripts/vm, for the line that says so.
txr_why_in_vm() {
    if [ "${TXR_FORCE_VM:-}" = 1 ]; then
        echo "TXR_FORCE_VM=1"
    else
        echo "this machine's kernel runs no 32-bit code"
    fi
}

# For a script that runs Wine after its bootstrap and build: where this
# machine runs no 32-bit code, runs the script ($1, with its arguments) again
# in scripts/vm, with TXR_IN_VM set so that it skips the bootstrap and the
# build there; otherwise returns.
txr_rerun_in_vm_unless_32bit() {
    txr_runs_32bit_code && return 0
    echo "$(basename "$1"): $(txr_why_in_vm); it runs in scripts/vm" >&2
    TXR_IN_VM=1 TXR_VM_PASS="TXR_IN_VM ${TXR_VM_PASS:-}" \
        exec "$(dirname "${BASH_SOURCE[0]}")/vm" "$@"
}

# Creates a fresh prefix at $1 that sees nothing of this machine beyond the
# drives mapped into it later: without the z: drive, and with user folders
# of its own (a drive scan would otherwise walk the whole machine, or the
# home folder).  The Wine server it started has ended.
txr_wine_prefix() {
    export WINEPREFIX="$1"
    wineserver -k >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
    mkdir -p "$(dirname "$WINEPREFIX")"
    wineboot -i >/dev/null 2>&1
    wineserver -w
    rm -f "$WINEPREFIX/dosdevices/z:"
    # Wine links the user's folders on C: (Desktop, Documents, Downloads,
    # Music, Pictures, Videos, Templates) to the home folder or its XDG
    # folders.  As winecfg does for a folder whose "Link to" is cleared,
    # each becomes an empty folder of the prefix's own.
    local link
    while IFS= read -r -d '' link; do
        rm -f "$link"
        mkdir "$link"
    done < <(find "$WINEPREFIX/drive_c/users" -type l -print0)
    # Wine's own fonts (package fonts-wine: MS Sans Serif, Tahoma, Marlett)
    # into the prefix's Fonts folder: Debian's Wine 8 does not look for them
    # where the package puts them, and dialogs would be drawn in whatever
    # font is at hand, wider than the one they were laid out for.
    if [ -d /usr/share/wine/fonts ]; then
        cp -n /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    fi
}

# Maps drive letter $1 (e.g. x) to folder $2 in the current prefix; takes
# effect for the next Wine server.
txr_map_drive() {
    ln -sfn "$2" "$WINEPREFIX/dosdevices/$1:"
}

# Sets the type of drive letter $1 (hd, cdrom, network, floppy, ramdisk) in
# the current prefix; Wine reads it when the next Wine server starts.
txr_set_drive_type() {
    wine reg add 'HKLM\Software\Wine\Drives' /v "$1:" /d "$2" /f >/dev/null 2>&1
}

# Starts the persistent Wine server for the current prefix.
txr_start_wineserver() {
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w
    wineserver -p
    # The first program of a session starts Wine's own services; start them
    # here, with their output going nowhere, so that they do not hold the
    # output pipes of the first test open.
    wine cmd.exe /c exit >/dev/null 2>&1 </dev/null || true
}

# Starts Xvfb on a free display and exports DISPLAY.
txr_start_display() {
    local n=90
    while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    txr_cleanup_pids+=("$!")
    export DISPLAY=":$n"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
}

txr_cleanup() {
    [ -n "${WINEPREFIX:-}" ] && wineserver -k >/dev/null 2>&1 || true
    for pid in "${txr_cleanup_pids[@]}"; do kill "$pid" >/dev/null 2>&1 || true; done
}
