#include "cli/ConfigOptions.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <ostream>
#include <set>
#include <utility>
#include <vector>

#include "station/config/StationConfig.h"
#include "station/records/StationIdentity.h"

namespace zt::cli {

namespace {

// Whether any command of the program has an option called `key`.
bool AnyCommandHas(const CLI::App* command, const std::string& key) {
    const CLI::App* root = command->get_parent() ? command->get_parent() : command;
    for (const CLI::App* sub : root->get_subcommands([](const CLI::App*) { return true; }))
        if (sub->get_option_no_throw("--" + key)) return true;
    return false;
}

}  // namespace

bool ApplyStationConfig(CLI::App* command, const std::string& chosenFile, CommandContext& ctx) {
    StationConfig config;
    std::string error;
    auto refuse = [&](const std::string& line, int code) {
        ctx.err << "zt51xx-mp: " << line << '\n';
        ctx.exitCode = code;
        return false;
    };
    if (!config.ReadFiles(chosenFile, &error)) return refuse(error, kExitIoError);

    // What the command line gave is decided before the file adds anything.
    std::set<const CLI::Option*> typed;
    for (const CLI::Option* option : command->get_options())
        if (option->count() > 0) typed.insert(option);
    std::vector<std::pair<CLI::Option*, const ConfigEntry*>> filled;
    for (const ConfigEntry& entry : config.entries) {
        if (entry.key == "config" || entry.key == "help") continue;
        CLI::Option* option = command->get_option_no_throw("--" + entry.key);
        if (!option) {
            if (!AnyCommandHas(command, entry.key))
                ctx.err << "zt51xx-mp: warning: " << entry.origin << ": no option --" << entry.key
                        << "; ignored\n";
            continue;
        }
        if (typed.count(option)) continue;
        const std::string& value = entry.value;
        // The names go into every record as they are; a bad one is named
        // where it was written.
        if (entry.key == "station-id" || entry.key == "operator" || entry.key == "work-order")
            if (!CheckIdentityText(entry.origin + ": " + entry.key, value, &error))
                return refuse(error, kExitUsage);
        // A later line overrides an earlier one, unless the option takes
        // several values (a second "port =" adds a port).
        if (option->get_items_expected_max() <= 1) option->clear();
        option->add_result(value);
        const auto known =
            std::find_if(filled.begin(), filled.end(), [&](const auto& f) { return f.first == option; });
        if (known == filled.end())
            filled.emplace_back(option, &entry);
        else
            known->second = &entry;
    }
    for (const auto& [option, entry] : filled) {
        try {
            option->run_callback();
        } catch (const CLI::Error& e) {
            return refuse(entry->origin + ": " + e.what(), kExitUsage);
        }
    }
    return true;
}

}  // namespace zt::cli
