#pragma once
#include <cstdint>
#include <vector>

#include "app/DialogTemplate.h"

namespace zt::win32 {

// Window styles of template 102: popup, visible, caption, modal frame, shell
// font; an application window with its own taskbar button. No system menu, so
// the caption has no close box.
inline constexpr uint32_t kDialogStyle = 0x90C000C8;
inline constexpr uint32_t kDialogExStyle = 0x00040000;

// A control this front end adds below the template's own, where nothing of
// the template sits: the outcome of the last job.
inline constexpr int kIdLastResult = 1100;

// The window style of one control of the table, as the template's control
// kinds and style bits map to Windows classes and styles.
uint32_t ControlWindowStyle(const ControlTemplate& control);

// Template 102 as an in-memory DLGTEMPLATEEX for CreateDialogIndirectParamW:
// the table's rectangles in dialog units, styles, captions, identifiers and
// font, with the last-result label appended. The buffer is DWORD aligned.
std::vector<uint32_t> BuildDialogTemplate(const DialogTemplate& dialog);

// Any control table as an in-memory DLGTEMPLATEEX in the same way, with
// nothing added: the window styles above and exactly the table's controls.
std::vector<uint32_t> BuildTableTemplate(const DialogTemplate& dialog);

}  // namespace zt::win32
