#pragma once
#include <string>

namespace zt::station {

// An operator-facing text in the operator's language. `context` groups the
// texts for the translators (a window, the station's lines); `english` is
// the text as written, and what is shown when no translation is loaded.
// Records, JSON events and failure codes never go through here: they stay
// the same whatever the language.
std::string OperatorText(const char* context, const char* english);

}  // namespace zt::station
