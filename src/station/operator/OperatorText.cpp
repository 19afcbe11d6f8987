#include "station/operator/OperatorText.h"

#include <algorithm>
#include <atomic>

#include "station/operator/OperatorTextTable.h"

namespace zt::station {

namespace {

// The chosen language's table; null for English. Tables are constant data,
// so a reader needs nothing but this pointer.
std::atomic<const OperatorLanguageTable*> chosenLanguage{nullptr};

const OperatorLanguageTable* TableFor(std::string_view locale) {
    // "zh_CN.UTF-8@modifier" and "zh-CN" name the same language as "zh_CN".
    locale = locale.substr(0, std::min(locale.find('.'), locale.find('@')));
    std::string name(locale);
    std::replace(name.begin(), name.end(), '-', '_');
    if (name.empty() || name == "C" || name == "POSIX") return nullptr;
    const std::string language = name.substr(0, name.find('_'));
    const OperatorLanguageTable* sameLanguage = nullptr;
    for (const OperatorLanguageTable& table : OperatorLanguageTables()) {
        const std::string_view shipped = table.language;
        if (shipped == name) return &table;
        if (shipped.substr(0, shipped.find('_')) == language) sameLanguage = &table;
    }
    // Another country of a shipped language reads it too (de_AT reads de),
    // except where Chinese is written in traditional characters.
    if (language == "zh") {
        for (const char* traditional : {"_Hant", "_TW", "_HK", "_MO"})
            if (name.find(traditional) != std::string::npos) return nullptr;
    }
    return sameLanguage;
}

}  // namespace

std::string OperatorText(const char* context, const char* english) {
    const OperatorLanguageTable* table = chosenLanguage.load(std::memory_order_acquire);
    if (!table) return english;
    const std::string_view wantedContext = context, wantedSource = english;
    const OperatorTranslation* end = table->rows + table->count;
    const OperatorTranslation* row =
        std::lower_bound(table->rows, end, 0, [&](const OperatorTranslation& r, int) {
            const std::string_view c = r.context;
            return c < wantedContext || (c == wantedContext && std::string_view(r.source) < wantedSource);
        });
    if (row != end && wantedContext == row->context && wantedSource == row->source) return row->translation;
    return english;
}

std::string FillIn(std::string_view text, std::initializer_list<std::string_view> args) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (text[i] == '%' && next >= '1' && next <= '9' && static_cast<size_t>(next - '1') < args.size()) {
            out += *(args.begin() + (next - '1'));
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string SetOperatorLanguage(std::string_view locale) {
    const OperatorLanguageTable* table = TableFor(locale);
    chosenLanguage.store(table, std::memory_order_release);
    return table ? table->language : "";
}

std::string ShippedLanguageFor(std::string_view locale) {
    const OperatorLanguageTable* table = TableFor(locale);
    return table ? table->language : "";
}

bool CheckLanguageChoice(std::string_view name, std::string* reason) {
    const std::string_view language = name.substr(0, name.find_first_of("_-.@"));
    if (name == "C" || name == "POSIX" || language == "en" || TableFor(name)) return true;
    std::string shipped;
    for (const OperatorLanguageTable& table : OperatorLanguageTables())
        shipped += std::string(table.language) + ", ";
    *reason =
        "no texts in the language '" + std::string(name) + "'; the tool has " + shipped + "and C (English)";
    return false;
}

}  // namespace zt::station
