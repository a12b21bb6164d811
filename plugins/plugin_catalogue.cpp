#include "plugins/plugin_catalogue.h"

namespace txr {

const PluginCatalogueRow kPluginCatalogue[kPluginCatalogueRows] = {
    {"Quicktime", "1705", "", 9, "Apple QuickTime", 0, "npqtw32.dll", 0, "mov", 99, 0,
     "https://support.apple.com/downloads/quicktime"},
    {"Acrobat", "1557", "", 9, "Adobe Acrobat", 0, "nppdf32.dll", 1, "pdf", 99, 0,
     "https://get.adobe.com/reader/"},
    {"Corel", "1576", "", 9, "Corel CMX", 0, "npcmx32.dll", 0, "cmx", 99, 0,
     "https://www.corel.com/"},
    {"Envoy", "1808", "", 9, "Envoy", 0, "npevy7.dll", 1, "evy", 99, 0,
     "https://www.novell.com/"},
    {"Envoy", "1811", "", 9, "Envoy", 0, "npevy7.dll", 1, "evy", 99, 0,
     "https://www.novell.com/"},
    {"Flash", "1704", "", 9, "Shockwave Flash", 0, "npswf32.dll,npspl32.dll", 0, "spl", 99, 0,
     "https://www.adobe.com/products/flashplayer.html"},
    {"Flying Carpet", "1999", "", 9, "Flying Carpet", 0, "npflyingcarpet.dll", 0, "rtb", 1, 0,
     "https://www.adobe.com/"},
    {"Shockwave", "1703", "", 9, "Shockwave Director", 0, "np32dsw.dll", 0, "dcr", 99, 0,
     "https://www.adobe.com/products/director.html"},
    {"Simple Vector", "1999", "", 9, "SoftSource SVF", 0, "npsvf32.dll", 0, "svf", 99, 0,
     "https://www.softsource.com/"},
    {"Soft DWG", "1552", "", 9, "SoftSource DWG", 0, "npdwg32.dll", 0, "dwg", 99, 0,
     "https://www.softsource.com/"},
    {"Soft DWG", "1585", "", 9, "SoftSource DWG", 0, "npdwg32.dll", 0, "dwg", 99, 0,
     "https://www.softsource.com/"},
    {"LiveAudio", "1702", "", 9, "Netscape LiveAudio Player", 0, "npaudio.dll", 0, "mid", 99, 0,
     "https://www.netscape.com/"},
    {"LiveAudio", "1700", "", 9, "Netscape LiveAudio Player", 0, "npaudio.dll", 0, "wav", 99, 0,
     "https://www.netscape.com/"},
    {"NP AVI", "1701", "", 6, "Netscape AVI Player", 0, "npavi32.dll", 0, "avi", 99, 1,
     "https://www.netscape.com/"},
};

}  // namespace txr
