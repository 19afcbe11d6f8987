// The job's classes keep their state to themselves: front ends, the station
// and tests read it through State() and the accessors, never through fields.
// Reads the headers, so a public field fails here before anything reaches
// into it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace zt {
namespace {

const std::filesystem::path kSource = std::filesystem::path(ZT_SOURCE_DIR) / "src";

std::string ReadFile(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The body of `class Name ... { ... };` with comments removed.
std::string ClassBody(const std::string& header, const std::string& name, std::string* bases = nullptr) {
    const std::string text = std::regex_replace(header, std::regex(R"(//[^\n]*)"), "");
    const std::regex head("class " + name + R"(\b([^{;]*)\{)");
    std::smatch match;
    if (!std::regex_search(text, match, head)) return "";
    if (bases) *bases = match[1].str();
    size_t depth = 1, at = static_cast<size_t>(match.position(0) + match.length(0));
    const size_t start = at;
    for (; at < text.size() && depth > 0; ++at) {
        if (text[at] == '{') ++depth;
        if (text[at] == '}') --depth;
    }
    return text.substr(start, at - start - 1);
}

// The declarations in the public parts of a class body that declare data:
// statements at the body's own level without a parameter list.
std::vector<std::string> PublicData(const std::string& body) {
    std::vector<std::string> found;
    std::string statement;
    bool isPublic = false;  // a class starts private
    int depth = 0;
    // A function's parameter list comes before any brace; a field's
    // initializer braces come with no parameter list before them.
    const auto isFunction = [](const std::string& text) {
        return text.substr(0, text.find('{')).find('(') != std::string::npos;
    };
    for (const char c : body) {
        statement += c;
        if (c == '{') ++depth;
        if (c == '}' && --depth == 0 && isFunction(statement)) statement.clear();  // an inline body ends it
        if (depth > 0 || (c != ':' && c != ';')) continue;
        const std::string trimmed = std::regex_replace(statement, std::regex(R"(^\s+|\s+$)"), "");
        if (c == ':' && std::regex_match(trimmed, std::regex(R"((public|protected|private)\s*:)"))) {
            isPublic = trimmed.rfind("public", 0) == 0;
            statement.clear();
            continue;
        }
        if (c != ';') continue;
        const bool declaresData =
            !isFunction(trimmed) &&
            !std::regex_search(trimmed, std::regex(R"(^(using|friend|static constexpr)\b)"));
        if (isPublic && declaresData) found.push_back(trimmed);
        statement.clear();
    }
    return found;
}

TEST(JobEncapsulation, TheJobsClassesHaveNoPublicDataMembers) {
    const std::vector<std::pair<std::string, std::string>> classes = {
        {"device/DeviceAccess.h", "DeviceAccess"},
        {"protocol/DeviceCommandSet.h", "DeviceCommandSet"},
        {"job/ProgrammingJob.h", "ProgrammingJob"},
        {"app/CZT51xxWriteEepromMPDlg.h", "CZT51xxWriteEepromMPDlg"},
    };
    for (const auto& [header, name] : classes) {
        const std::string body = ClassBody(ReadFile(kSource / header), name);
        ASSERT_FALSE(body.empty()) << header;
        EXPECT_THAT(PublicData(body), ::testing::IsEmpty()) << name;
    }
}

TEST(JobEncapsulation, TheDialogHasAJobRatherThanBeingOne) {
    std::string bases;
    ASSERT_FALSE(
        ClassBody(ReadFile(kSource / "app/CZT51xxWriteEepromMPDlg.h"), "CZT51xxWriteEepromMPDlg", &bases)
            .empty());
    EXPECT_FALSE(std::regex_search(bases, std::regex(R"(ProgrammingJob|DeviceCommandSet|DeviceAccess)")))
        << bases;
    std::string jobBases;
    ClassBody(ReadFile(kSource / "job/ProgrammingJob.h"), "ProgrammingJob", &jobBases);
    EXPECT_FALSE(std::regex_search(jobBases, std::regex(R"(DeviceCommandSet|DeviceAccess)"))) << jobBases;
}

// The check itself: a field in a public part is found, one in a private part
// or a function with a body is not.
TEST(JobEncapsulation, ThePublicDataCheckFindsAField) {
    const std::string body = R"(
public:
    void Run() { int local = 0; (void)local; }
    std::atomic<int> exposed{0};
    static constexpr int kLimit = 3;
private:
    int hidden = 0;
)";
    EXPECT_THAT(PublicData(body), ::testing::ElementsAre("std::atomic<int> exposed{0};"));
}

}  // namespace
}  // namespace zt
