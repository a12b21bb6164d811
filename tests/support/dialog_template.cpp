#include "tests/support/dialog_template.h"

#include <cstring>

namespace txr::test {
namespace {

class Reader {
public:
    explicit Reader(const BYTE* data) : at_(data) {}
    WORD Word() { WORD value; std::memcpy(&value, at_, 2); at_ += 2; return value; }
    DWORD Dword() { DWORD value; std::memcpy(&value, at_, 4); at_ += 4; return value; }
    short Short() { return static_cast<short>(Word()); }
    // A zero-terminated UTF-16 text, taken as 8-bit.
    std::string Text() {
        std::string text;
        for (WORD c = Word(); c != 0; c = Word()) text += static_cast<char>(c);
        return text;
    }
    // A text, or 0xFFFF followed by an ordinal (given back as "#n").
    std::string TextOrOrdinal() {
        WORD first = Word();
        if (first == 0xFFFF) return "#" + std::to_string(Word());
        if (first == 0) return "";
        std::string text(1, static_cast<char>(first));
        return text + Text();
    }
    void AlignDword(const BYTE* base) {
        while ((at_ - base) % 4) ++at_;
    }
    void Skip(std::size_t bytes) { at_ += bytes; }

private:
    const BYTE* at_;
};

std::string ClassName(const std::string& raw) {
    if (raw == "#128") return "Button";
    if (raw == "#129") return "Edit";
    if (raw == "#130") return "Static";
    if (raw == "#131") return "ListBox";
    if (raw == "#132") return "ScrollBar";
    if (raw == "#133") return "ComboBox";
    return raw;
}

}  // namespace

const DialogItem* DialogTemplate::Item(WORD id) const {
    for (const DialogItem& item : items) {
        if (item.id == id) return &item;
    }
    return nullptr;
}

DialogTemplate LoadDialogTemplate(int id) {
    DialogTemplate dialog;
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5) /*RT_DIALOG*/);
    if (!resource) return dialog;
    const BYTE* base = static_cast<const BYTE*>(LockResource(LoadResource(module, resource)));
    if (!base) return dialog;
    dialog.found = true;
    Reader in(base);
    dialog.style = in.Dword();
    in.Dword();  // extended style
    WORD count = in.Word();
    dialog.x = in.Short();
    dialog.y = in.Short();
    dialog.cx = in.Short();
    dialog.cy = in.Short();
    in.TextOrOrdinal();  // menu
    in.TextOrOrdinal();  // class
    dialog.caption = in.Text();
    if (dialog.style & DS_SETFONT) {
        dialog.pointSize = in.Word();
        dialog.fontName = in.Text();
    }
    for (WORD i = 0; i < count; ++i) {
        in.AlignDword(base);
        DialogItem item{};
        item.style = in.Dword();
        in.Dword();  // extended style
        item.x = in.Short();
        item.y = in.Short();
        item.cx = in.Short();
        item.cy = in.Short();
        item.id = in.Word();
        item.className = ClassName(in.TextOrOrdinal());
        item.text = in.TextOrOrdinal();
        in.Skip(in.Word());  // creation data
        dialog.items.push_back(item);
    }
    return dialog;
}

}  // namespace txr::test
