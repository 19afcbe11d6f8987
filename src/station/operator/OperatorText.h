#pragma once
#include <initializer_list>
#include <string>
#include <string_view>

namespace zt::station {

// An operator-facing text in the operator's language. `context` groups the
// texts for the translators (a window, the station's lines); `english` is
// the text as written, and what is shown when no translation is loaded.
// Records, JSON events and failure codes never go through here: they stay
// the same whatever the language. Safe to call from any thread.
std::string OperatorText(const char* context, const char* english);

// `text` with %1, %2, ... replaced by `args` in order, so that a translation
// may put the values where its language wants them. Values are put in as
// they are: a '%' inside one is never read as a place.
std::string FillIn(std::string_view text, std::initializer_list<std::string_view> args);

// Chooses the language of every later OperatorText call from a locale name
// ("zh_CN.UTF-8", "de_DE", "zh-CN", "C"); the English texts for "C",
// "POSIX", "" and any language not shipped. Returns the shipped language
// chosen ("zh_CN", "de"), "" for English. Called once at start-up, before
// the threads that show texts run.
std::string SetOperatorLanguage(std::string_view locale);

// The shipped language a locale name selects, as SetOperatorLanguage would,
// without choosing it.
std::string ShippedLanguageFor(std::string_view locale);

// Whether an operator's `--language` names a language the tool has: a
// shipped one, or English ("C", "POSIX", "en", "en_GB"). When not,
// `reason` says which it has.
bool CheckLanguageChoice(std::string_view name, std::string* reason);

}  // namespace zt::station
