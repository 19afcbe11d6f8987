#include "cli/UnknownCommand.h"

#include <CLI/CLI.hpp>
#include <algorithm>

namespace zt::cli {

namespace {

// Edits from one word to the other, a swap of two neighbours counting as one.
size_t EditDistance(std::string_view a, std::string_view b) {
    std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
    for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
    for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t change = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + change});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    }
    return d[a.size()][b.size()];
}

std::vector<std::string> SubcommandNames(const CLI::App& app) {
    std::vector<std::string> names;
    for (const CLI::App* command : app.get_subcommands([](const CLI::App*) { return true; }))
        names.push_back(command->get_name());
    return names;
}

}  // namespace

std::string NearestName(std::string_view typed, const std::vector<std::string>& known) {
    // A third of the word may be wrong, at least one letter: "lst" is list,
    // "ls" is nothing.
    std::string nearest;
    size_t best = std::max<size_t>(1, typed.size() / 3) + 1;
    for (const std::string& name : known) {
        const size_t distance = EditDistance(typed, name);
        if (distance < best) {
            best = distance;
            nearest = name;
        }
    }
    return nearest;
}

std::optional<std::string> UnknownCommandLine(const CLI::App& app, int argc, const char* const* argv) {
    const CLI::App* level = &app;
    std::string path;  // the commands named so far, each followed by a space
    for (int i = 1; i < argc; ++i) {
        const std::string_view word = argv[i];
        // Options and what follows them are the parser's to judge.
        if (word.empty() || word.front() == '-') return std::nullopt;
        const std::vector<std::string> names = SubcommandNames(*level);
        if (names.empty()) return std::nullopt;
        if (std::find(names.begin(), names.end(), word) != names.end()) {
            path += std::string(word) + ' ';
            level = level->get_subcommand(std::string(word));
            continue;
        }
        // A command that takes words of its own (a file, a code) reads this one.
        if (!level->get_options([](const CLI::Option* o) { return o->get_positional(); }).empty())
            return std::nullopt;
        const std::string nearest = NearestName(word, names);
        std::string line = "zt51xx-mp: unknown command '" + path + std::string(word) + "'";
        line +=
            nearest.empty() ? " (see --help for the commands)" : "; did you mean '" + path + nearest + "'?";
        return line + '\n';
    }
    return std::nullopt;
}

}  // namespace zt::cli
