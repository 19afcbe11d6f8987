#include "station/operator/OperatorInput.h"

#include "host/HostSystem.h"

namespace zt::station {

std::optional<std::string> OperatorInput::ReadLine(const std::function<bool()>& cancelled, bool* cut) {
    if (!stream_) return HostStandardInput().ReadLine(cancelled, cut);
    if (cut) *cut = false;
    if (cancelled()) return std::nullopt;
    // Taken as standard input is: a line ends at its break or at the limit.
    std::string line;
    for (size_t taken = 0; taken < kMaxLine;) {
        const int c = stream_->get();
        if (c == std::char_traits<char>::eof())
            return line.empty() && taken == 0 ? std::nullopt : std::optional<std::string>(line);
        if (c == '\n') return line;
        if (c != '\r') line.push_back(static_cast<char>(c));
        ++taken;
    }
    if (cut) *cut = true;
    return line;
}

}  // namespace zt::station
