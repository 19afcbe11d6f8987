#include "ui/win32/DialogTemplateBuilder.h"

#include <windows.h>

#include <string_view>

#include "host/windows/WideText.h"
#include "station/operator/OperatorText.h"

namespace zt::win32 {

namespace {

// Predefined window classes by their atoms, as resource compilers write them.
constexpr uint16_t kButtonAtom = 0x0080;
constexpr uint16_t kEditAtom = 0x0081;
constexpr uint16_t kStaticAtom = 0x0082;
constexpr std::wstring_view kProgressClass = L"msctls_progress32";

// Everything in a dialog template is a whole number of 16-bit words.
class TemplateWriter {
public:
    void Word(uint16_t value) { words_.push_back(value); }
    void Dword(uint32_t value) {
        Word(static_cast<uint16_t>(value));
        Word(static_cast<uint16_t>(value >> 16));
    }
    void Text(std::string_view utf8) { Text(host_windows::ToWide(utf8)); }
    void Text(std::wstring_view wide) {
        for (wchar_t c : wide) Word(static_cast<uint16_t>(c));
        Word(0);
    }
    void AlignDword() {
        if (words_.size() % 2) Word(0);
    }
    std::vector<uint32_t> Take() {
        AlignDword();
        std::vector<uint32_t> out;
        for (size_t i = 0; i < words_.size(); i += 2)
            out.push_back(words_[i] | (uint32_t{words_[i + 1]} << 16));
        return out;
    }

private:
    std::vector<uint16_t> words_;
};

void WriteItem(TemplateWriter& out, uint32_t style, int id, int x, int y, int cx, int cy, uint16_t atom,
               std::string_view caption) {
    out.AlignDword();
    out.Dword(0);  // helpID
    out.Dword(0);  // exStyle
    out.Dword(style);
    out.Word(static_cast<uint16_t>(x));
    out.Word(static_cast<uint16_t>(y));
    out.Word(static_cast<uint16_t>(cx));
    out.Word(static_cast<uint16_t>(cy));
    out.Dword(static_cast<uint32_t>(id));
    if (atom) {
        out.Word(0xFFFF);
        out.Word(atom);
    } else {
        out.Text(kProgressClass);
    }
    out.Text(caption);
    out.Word(0);  // no creation data
}

uint16_t AtomOf(ControlKind kind) {
    switch (kind) {
        case ControlKind::PushButton:
        case ControlKind::CheckBox:
            return kButtonAtom;
        case ControlKind::Edit:
            return kEditAtom;
        case ControlKind::StaticText:
            return kStaticAtom;
        case ControlKind::ProgressBar:
            return 0;
    }
    return kStaticAtom;
}

}  // namespace

uint32_t ControlWindowStyle(const ControlTemplate& c) {
    uint32_t style = WS_CHILD;
    if (c.style & kStyleVisible) style |= WS_VISIBLE;
    if (c.style & kStyleTabStop) style |= WS_TABSTOP;
    if (c.style & kStyleBorder) style |= WS_BORDER;
    const bool centred = (c.style & kStyleCentred) != 0;
    switch (c.kind) {
        case ControlKind::PushButton:
            style |= (c.style & kStyleDefaultButton) ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
            if (c.style & kStyleFlat) style |= BS_FLAT;
            break;
        case ControlKind::CheckBox:
            style |= BS_AUTOCHECKBOX;
            break;
        case ControlKind::Edit:
            style |= centred ? ES_CENTER : ES_LEFT;
            if (c.style & kStyleAutoHScroll) style |= ES_AUTOHSCROLL;
            break;
        case ControlKind::StaticText:
            style |= centred ? SS_CENTER : SS_LEFT;
            break;
        case ControlKind::ProgressBar:
            break;
    }
    return style;
}

namespace {

// The window and every control of the table; `extraItems` more follow.
void WriteTable(TemplateWriter& out, const DialogTemplate& dialog, size_t extraItems) {
    out.Word(1);       // dlgVer
    out.Word(0xFFFF);  // signature: DLGTEMPLATEEX
    out.Dword(0);      // helpID
    out.Dword(kDialogExStyle);
    out.Dword(kDialogStyle);
    out.Word(static_cast<uint16_t>(dialog.controls.size() + extraItems));
    out.Word(0);
    out.Word(0);
    out.Word(static_cast<uint16_t>(dialog.width));
    out.Word(static_cast<uint16_t>(dialog.height));
    out.Word(0);  // no menu
    out.Word(0);  // the predefined dialog class
    out.Text(dialog.caption);
    out.Word(static_cast<uint16_t>(dialog.fontPointSize));
    out.Word(FW_NORMAL);
    out.Word(DEFAULT_CHARSET << 8);  // italic 0, charset
    out.Text(dialog.fontName);

    // The template's words in the operator's language; the same words in
    // another table are left as they are.
    for (const ControlTemplate& c : dialog.controls)
        WriteItem(out, ControlWindowStyle(c), c.id, c.x, c.y, c.width, c.height, AtomOf(c.kind),
                  c.caption.empty() ? std::string()
                                    : station::OperatorText("MainDialog", std::string(c.caption).c_str()));
}

}  // namespace

std::vector<uint32_t> BuildTableTemplate(const DialogTemplate& dialog) {
    TemplateWriter out;
    WriteTable(out, dialog, 0);
    return out.Take();
}

std::vector<uint32_t> BuildDialogTemplate(const DialogTemplate& dialog) {
    TemplateWriter out;
    WriteTable(out, dialog, 1);
    // The last result, on the bottom row right of the marker and the hidden
    // firmware labels, under Exit.
    WriteItem(out, WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, kIdLastResult, 75, 105, 238, 8, kStaticAtom,
              "");
    return out.Take();
}

}  // namespace zt::win32
