#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "station/operator/JobBoxText.h"
#include "station/operator/OperatorText.h"
#include "station/presentation/PortLine.h"
#include "support/CommandRun.h"

namespace zt::station {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

// The programs the command-line tests start speak English whatever the
// language of the developer who runs them.
[[maybe_unused]] const bool kEnglishChildren = setenv("LC_ALL", "C.UTF-8", 1) == 0;

// The language is the process's; every test leaves the English texts behind.
class OperatorLanguage : public ::testing::Test {
protected:
    void TearDown() override { SetOperatorLanguage("C"); }
};

bool AllAscii(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The English texts are the design's own: under C nothing may touch them,
// and a text missing from a language falls back to them unchanged.
TEST_F(OperatorLanguage, EnglishStaysByteForByteAndChineseReplacesIt) {
    const char* ready = "ready: plug in a unit";
    const std::string failure = "Fail to Write EEPROM! [00030401]";
    for (const char* locale : {"C", "POSIX", "", "en_US.UTF-8", "fr_FR.UTF-8", "zh_TW.UTF-8"}) {
        SetOperatorLanguage(locale);
        EXPECT_EQ(OperatorText("Station", ready), ready) << locale;
        EXPECT_EQ(JobBoxText(failure), failure) << locale;
    }

    EXPECT_EQ(SetOperatorLanguage("zh_CN.UTF-8"), "zh_CN");
    EXPECT_EQ(OperatorText("Station", ready), "就绪：请插入设备");
    // The code stays as the job wrote it, inside the translated sentence.
    EXPECT_EQ(JobBoxText(failure), "写入 EEPROM 失败！[00030401]");
    EXPECT_EQ(OperatorText("Station", "a text nobody translated"), "a text nobody translated");
    // The same words under another context are another text.
    EXPECT_EQ(OperatorText("NoSuchContext", ready), ready);
}

TEST_F(OperatorLanguage, LocaleNamesSelectTheShippedLanguage) {
    EXPECT_EQ(ShippedLanguageFor("zh_CN"), "zh_CN");
    EXPECT_EQ(ShippedLanguageFor("zh-CN"), "zh_CN");  // Windows' spelling
    EXPECT_EQ(ShippedLanguageFor("zh_SG.UTF-8"), "zh_CN");
    EXPECT_EQ(ShippedLanguageFor("zh_HK.UTF-8"), "");  // traditional characters
    EXPECT_EQ(ShippedLanguageFor("zh-Hant-TW"), "");
    EXPECT_EQ(ShippedLanguageFor("zh-Hans-CN"), "zh_CN");
    EXPECT_EQ(ShippedLanguageFor("de_AT.UTF-8@euro"), "de");
    EXPECT_EQ(ShippedLanguageFor("C.UTF-8"), "");

    std::string reason;
    EXPECT_TRUE(CheckLanguageChoice("en_GB", &reason));
    EXPECT_TRUE(CheckLanguageChoice("de", &reason));
    EXPECT_FALSE(CheckLanguageChoice("fr", &reason));
    EXPECT_THAT(reason, HasSubstr("zh_CN"));
}

// A value put into a place is never read as a place itself.
TEST_F(OperatorLanguage, FillInPutsValuesOnceInTheTranslationsOrder) {
    EXPECT_EQ(FillIn("%2 before %1", {"a%2", "b"}), "b before a%2");
    EXPECT_EQ(FillIn("100% of %1, %3", {"x"}), "100% of x, %3");
}

// The operator reads explain's action in the chosen language; the code's
// parts, and every JSON event, stay as they are whatever the language.
TEST_F(OperatorLanguage, ExplainTranslatesTheActionButJsonStaysEnglish) {
    const test::CommandRun chinese = test::RunArgs({"--language", "zh_CN", "explain", "00030401"});
    ASSERT_EQ(chinese.rc, 0) << chinese.err;
    EXPECT_THAT(chinese.out, HasSubstr("stage    00"));
    EXPECT_THAT(chinese.out, HasSubstr("处理："));
    EXPECT_THAT(chinese.out, Not(HasSubstr("Action:")));

    SetOperatorLanguage("C");
    const test::CommandRun english = test::RunArgs({"explain", "00030401"});
    EXPECT_THAT(english.out, HasSubstr("Action: Plug the unit in"));

    const test::CommandRun json =
        test::RunArgs({"--language", "zh_CN", "write", "--simulate", "--sim-clock", "--yes", "--json"});
    ASSERT_EQ(json.rc, 0) << json.err;
    EXPECT_THAT(json.out, HasSubstr("\"event\""));
    EXPECT_TRUE(AllAscii(json.out)) << json.out;

    // No action is offered for a code the tool never records.
    EXPECT_THAT(test::RunArgs({"explain", "000E0D01"}).out, Not(HasSubstr("Action:")));

    const test::CommandRun unknown = test::RunArgs({"--language", "fr", "explain", "00030401"});
    EXPECT_EQ(unknown.rc, 2);
    EXPECT_THAT(unknown.err, HasSubstr("no texts in the language 'fr'"));
}

// A port's line says its state in the operator's language, the port and the
// code where that language puts them; the outcome keeps the class's English
// action, which the state events carry.
TEST_F(OperatorLanguage, PortLineTranslatesWholeSentencesAroundItsValues) {
    const PortOutcome failed = PortOutcome::Of(JobOutcome::Failed(JobResult{0, 0x03, 0x04, 0x01}));
    PortLine line;
    line.Apply(PortStatus{PortPhase::Replug, "1-1.2", std::nullopt});
    EXPECT_EQ(line.Text(), "re-plug this unit now: take it out and put it back into port 1-1.2");
    line.Apply(PortStatus{PortPhase::Result, "", failed});
    line.Apply(PortStatus{PortPhase::Ready, "", std::nullopt});
    EXPECT_EQ(line.Text(),
              "FAIL 00030401: Plug the unit in, check the IDs, then try again; ready for the next unit");

    SetOperatorLanguage("de_DE.UTF-8");
    EXPECT_EQ(failed.action, PortOutcome::Of(JobOutcome::Failed(JobResult{0, 0x03, 0x04, 0x01})).action);
    EXPECT_THAT(line.Text(), ::testing::StartsWith("FAIL 00030401: "));
    EXPECT_THAT(line.Text(), HasSubstr(OperatorText("FailureCatalogue", failed.action.c_str())));
    EXPECT_THAT(line.Text(), HasSubstr("; bereit"));
    EXPECT_THAT(line.Text(), Not(HasSubstr(failed.action)));
    line.Apply(PortStatus{PortPhase::Writing, "", std::nullopt});
    line.Apply(PortStatus{PortPhase::Replug, "1-1.2", std::nullopt});
    EXPECT_THAT(line.Text(), HasSubstr("Anschluss 1-1.2"));
}

}  // namespace
}  // namespace zt::station
