#include "station/operator/JobBoxText.h"

#include <string_view>

#include "station/operator/OperatorText.h"

namespace zt::station {

std::string JobBoxText(const std::string& text) {
    // "Fail to Write EEPROM! [" then eight hexadecimal digits and "]".
    static constexpr std::string_view kFailureHead = "Fail to Write EEPROM! [";
    if (text.size() == kFailureHead.size() + 9 && text.starts_with(kFailureHead) && text.back() == ']') {
        std::string message = OperatorText("JobTexts", "Fail to Write EEPROM! [%08X]");
        if (const size_t at = message.find("%08X"); at != std::string::npos)
            return message.replace(at, 4, text.substr(kFailureHead.size(), 8));
        return text;
    }
    return OperatorText("JobTexts", text.c_str());
}

}  // namespace zt::station
