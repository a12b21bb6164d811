// Reads a dialog resource of the library as the platform stores it, so
// that tests can compare ids, classes, positions, sizes, captions, styles
// and the font with what each dialog must look like.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace txr::test {

struct DialogItem {
    WORD id;
    std::string className;  // "Button", "Edit", "Static", "ListBox", ... or the named class
    std::string text;
    short x, y, cx, cy;
    DWORD style;
};

struct DialogTemplate {
    bool found = false;
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::string caption;
    WORD pointSize = 0;
    std::string fontName;
    std::vector<DialogItem> items;

    // The item with that id (the first one for 65535); null when absent.
    const DialogItem* Item(WORD id) const;
};

// Parses dialog resource `id` of the test program (which carries the
// library's resources).
DialogTemplate LoadDialogTemplate(int id);

}  // namespace txr::test
