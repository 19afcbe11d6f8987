#include <CLI/CLI.hpp>
#include <cctype>
#include <cstdio>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>

#include "cli/Commands.h"
#include "job/FailureCatalogue.h"
#include "station/operator/OperatorText.h"

// `explain CODE`: takes the eight digits of "Fail to Write EEPROM! [XXXXXXXX]"
// apart, so a technician at the line does not need the code table.
namespace zt::cli {

namespace {

std::string_view WithoutSpaces(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Exactly eight hexadecimal digits: anything shorter or longer is more likely
// a mistyped code than one whose leading zeros were left off. The brackets
// around them and spaces come along when the code is copied from the
// failure message, "[020F0702]", and are passed over.
bool ParseCode(std::string_view text, uint32_t* code) {
    text = WithoutSpaces(text);
    if (text.size() >= 2 && text.front() == '[' && text.back() == ']')
        text = WithoutSpaces(text.substr(1, text.size() - 2));
    if (text.size() != 8) return false;
    uint32_t value = 0;
    for (const char c : text) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
        const int digit = std::isdigit(static_cast<unsigned char>(c))
                              ? c - '0'
                              : std::toupper(static_cast<unsigned char>(c)) - 'A' + 10;
        value = (value << 4) | static_cast<uint32_t>(digit);
    }
    *code = value;
    return true;
}

// The catalogue speaks as the dialog does; at the command line the same
// things have other names.
std::string ForCommandLine(std::string meaning) {
    static constexpr std::pair<std::string_view, std::string_view> kWords[] = {
        {"the IDs typed in the boxes", "the IDs given with --vid and --pid (the ID boxes in the dialog)"},
    };
    for (const auto& [dialog, commandLine] : kWords)
        for (size_t at = 0; (at = meaning.find(dialog, at)) != std::string::npos; at += commandLine.size())
            meaning.replace(at, dialog.size(), commandLine);
    return meaning;
}

std::string Part(const char* label, uint32_t value, const std::string& words) {
    char head[48];
    std::snprintf(head, sizeof head, "%-8s %02X  ", label, value);
    return head + words + "\n";
}

void Explain(CommandContext& ctx, const std::string& text) {
    uint32_t code = 0;
    if (!ParseCode(text, &code)) {
        ctx.err << "zt51xx-mp: '" << text << "' is not a failure code (eight hexadecimal digits)\n";
        ctx.exitCode = kExitUsage;
        return;
    }
    const FailureDescription d = DescribeFailure(code);
    char head[32];
    std::snprintf(head, sizeof head, "%08X", code);
    ctx.out << head << (d.known ? "" : "  (not a code this tool records)") << "\n"
            << Part("stage", d.stage, d.stageText) << Part("origin", d.origin, d.originName)
            << Part("class", d.errorClass, d.className) << Part("detail", d.errorDetail, d.detailName)
            << ForCommandLine(station::OperatorText("FailureCatalogue", d.meaning.c_str())) << "\n";
    // What to do next, in the operator's language; the parts above are the
    // engineer's and stay as they are.
    if (!d.action.empty())
        ctx.out << station::FillIn(station::OperatorText("FailureCatalogue", "Action: %1"),
                                   {station::OperatorText("FailureCatalogue", d.action.c_str())})
                << "\n";
    ctx.exitCode = d.known ? kExitOk : kExitJobFailed;
}

// Every code the tool can show, at every stage its job writes: for shell
// completion and for scripts that check a code before they look it up.
void ListCodes(CommandContext& ctx) {
    for (uint32_t stage = 0; !StageMeaning(stage).empty(); ++stage) {
        for (const FailureEntry& e : FailureCatalogue()) {
            char code[16];
            std::snprintf(code, sizeof code, "%02X%02X%02X%02X", stage & 0xFF, e.origin & 0xFF,
                          e.errorClass & 0xFF, e.errorDetail & 0xFF);
            ctx.out << code << '\n';
        }
    }
    ctx.exitCode = kExitOk;
}

}  // namespace

void AddExplainCommand(CLI::App& app, CommandContext& ctx) {
    auto text = std::make_shared<std::string>();
    auto list = std::make_shared<bool>(false);
    CLI::App* explain = app.add_subcommand(
        "explain",
        "Say what a failure code means: its stage, origin, class and detail, each in hex and words");
    explain->add_option("code", *text,
                        "the eight hexadecimal digits of \"Fail to Write EEPROM! [XXXXXXXX]\", with or "
                        "without the brackets");
    explain->add_flag("--list", *list, "print every code the tool can show, one per line, instead");
    explain->footer(
        "\nExit codes: 0 a code this tool records, 1 eight digits the tool never records, 2 not eight "
        "hexadecimal digits.\n"
        "\nExamples:\n  zt51xx-mp explain 00030401\n  zt51xx-mp explain [020F0702]\n");
    explain->callback([&ctx, text, list] {
        if (*list) return ListCodes(ctx);
        if (text->empty()) {
            ctx.err << "zt51xx-mp: explain needs a code (eight hexadecimal digits), or --list\n";
            ctx.exitCode = kExitUsage;
            return;
        }
        Explain(ctx, *text);
    });
}

}  // namespace zt::cli
