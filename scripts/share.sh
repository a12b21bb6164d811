# Shared by the scripts: lays out a server share of the product.
# txr_lay_out_share BUILD_DIR REPO_ROOT DEST: DEST becomes the product root
# (what a workstation sees as X:\TXR\).
txr_lay_out_share() {
    local build="$1" root="$2" dest="$3"
    rm -rf "$dest"
    mkdir -p "$dest/PROGRAM" "$dest/SUPPORT"
    cp "$build/bin/TXRSETUP.EXE" "$build/bin/TXRUP450.DLL" "$dest/"
    cp "$root/demo/TXRNET.INI" "$dest/"
    cp "$build/server/TXR32.EXE" "$build/server/TXR.DLL" "$build/server/TXRSE2.DLL" \
       "$build/server/TXRSHARE.DLL" "$dest/PROGRAM/"
    cp "$build/server/QUIKVIEW.EXE" "$build/bin/TXRSUPP.EXE" "$dest/SUPPORT/"
    # The sample integration modules, where setup looks for AI*.DLL.
    cp "$build"/modules/AI*.DLL "$dest/SUPPORT/"
}
