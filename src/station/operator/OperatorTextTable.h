#pragma once
#include <cstddef>
#include <span>

namespace zt::station {

// One translated text: the context and English source it replaces.
struct OperatorTranslation {
    const char* context;
    const char* source;
    const char* translation;
};

// A shipped language: its name as the translation files give it ("zh_CN",
// "de") and its rows, sorted by context and then source, byte for byte.
struct OperatorLanguageTable {
    const char* language;
    const OperatorTranslation* rows;
    size_t count;
};

// Every shipped language, built from translations/*.ts with the tool.
std::span<const OperatorLanguageTable> OperatorLanguageTables();

}  // namespace zt::station
