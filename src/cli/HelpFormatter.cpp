#include "cli/HelpFormatter.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "host/HostSystem.h"

namespace zt::cli {

namespace {
constexpr std::size_t kMinWidth = 60;
constexpr std::size_t kMaxWidth = 160;
constexpr std::size_t kDefaultWidth = 80;

void WrapParagraph(const std::string& line, std::size_t width, const std::string& indent, bool first,
                   std::string& out) {
    std::istringstream words(line);
    std::string word, current = first ? "" : indent;
    bool empty = true;
    const std::size_t start = current.size();
    while (words >> word) {
        if (!empty && current.size() + 1 + word.size() > width) {
            out += current + '\n';
            current = indent;
            empty = true;
        }
        current += (empty ? "" : " ") + word;
        empty = false;
    }
    if (!empty || current.size() > start) out += current;
}
}  // namespace

std::string WrapText(const std::string& text, std::size_t width, std::size_t indent) {
    const std::string pad(indent, ' ');
    std::string out;
    std::istringstream lines(text);
    std::string line;
    bool first = true;
    while (std::getline(lines, line)) {
        if (!first) out += '\n';
        if (!line.empty() && line[0] == ' ')
            out += (first ? "" : pad) + line;
        else
            WrapParagraph(line, width, pad, first, out);
        first = false;
    }
    if (!text.empty() && text.back() == '\n') out += '\n';
    return out;
}

std::size_t HelpWidth() {
    std::size_t width = kDefaultWidth;
    if (const int columns = HostStandardStreams().TerminalColumns(); columns > 0)
        return std::clamp<std::size_t>(static_cast<std::size_t>(columns), kMinWidth, kMaxWidth);
    if (const char* columns = std::getenv("COLUMNS")) {
        const long value = std::strtol(columns, nullptr, 10);
        if (value > 0) width = static_cast<std::size_t>(value);
    }
    return std::clamp(width, kMinWidth, kMaxWidth);
}

HelpFormatter::HelpFormatter(std::size_t width) : width_(width) {
    column_width(std::min<std::size_t>(30, width / 3));
}

std::string HelpFormatter::Column(const std::string& name, const std::string& description) const {
    std::string out = "  " + name;
    if (description.empty()) return out + '\n';
    if (out.size() >= column_width_)
        out += '\n' + std::string(column_width_, ' ');
    else
        out += std::string(column_width_ - out.size(), ' ');
    const std::size_t room = width_ > column_width_ + 20 ? width_ - column_width_ : 20;
    std::string wrapped = WrapText(description, room, 0);
    // Every line after the first goes under the description column.
    std::string indented;
    for (const char c : wrapped) {
        indented += c;
        if (c == '\n') indented += std::string(column_width_, ' ');
    }
    return out + indented + '\n';
}

std::string HelpFormatter::make_option(const CLI::Option* opt, bool is_positional) const {
    return Column(make_option_name(opt, is_positional) + make_option_opts(opt), make_option_desc(opt));
}

std::string HelpFormatter::make_subcommand(const CLI::App* sub) const {
    return Column(sub->get_display_name(true), sub->get_description());
}

std::string HelpFormatter::make_description(const CLI::App* app) const {
    return WrapText(CLI::Formatter::make_description(app), width_, 0);
}

std::string HelpFormatter::make_footer(const CLI::App* app) const {
    return WrapText(CLI::Formatter::make_footer(app), width_, 0);
}

}  // namespace zt::cli
