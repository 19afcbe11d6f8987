#include "station/records/JournalRecord.h"

#include <nlohmann/json.hpp>

namespace zt::station {

namespace {

// "imageSha256" -> "ZT_IMAGE_SHA256".
std::string FieldName(const std::string& member) {
    if (member == "status") return "ZT_RESULT";
    std::string name = "ZT_";
    for (size_t i = 0; i < member.size(); ++i) {
        const char c = member[i];
        const bool upper = c >= 'A' && c <= 'Z', lower = c >= 'a' && c <= 'z', digit = c >= '0' && c <= '9';
        const char before = i > 0 ? member[i - 1] : '\0';
        if (upper && ((before >= 'a' && before <= 'z') || (before >= '0' && before <= '9'))) name += '_';
        name += lower ? char(c - 'a' + 'A') : (upper || digit) ? c : '_';
    }
    return name.substr(0, 64);  // the journal's limit on a field name
}

std::string Text(const nlohmann::json& value) {
    return value.is_string() ? value.get<std::string>()
                             : value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace

std::vector<std::string> JournalFieldsOf(std::string_view recordLine) {
    while (!recordLine.empty() && (recordLine.back() == '\n' || recordLine.back() == '\r'))
        recordLine.remove_suffix(1);
    const auto record = nlohmann::ordered_json::parse(recordLine, nullptr, false);
    std::vector<std::string> fields{"MESSAGE_ID=" + std::string(kJobRecordMessageId),
                                    "SYSLOG_IDENTIFIER=zt51xx-mp"};
    if (!record.is_object()) {
        fields.push_back("PRIORITY=4");
        fields.push_back("MESSAGE=zt51xx-mp: a station record that is not JSON");
        fields.push_back("ZT_JSON=" + std::string(recordLine));
        return fields;
    }
    auto member = [&](const char* name) {
        const auto found = record.find(name);
        return found == record.end() || found->is_null() ? std::string() : Text(*found);
    };
    const std::string status = member("status");
    const std::string kind = member("kind").empty() ? "write" : member("kind");
    std::string message = "zt51xx-mp " + kind + " " + status;
    if (!member("port").empty()) message += " on port " + member("port");
    if (!member("code").empty()) message += ": " + member("code") + " " + member("name");
    fields.push_back("PRIORITY=" + std::string(status == "OK" ? "6" : "4"));
    fields.push_back("MESSAGE=" + message);
    for (const auto& [name, value] : record.items())
        if (!value.is_null()) fields.push_back(FieldName(name) + "=" + Text(value));
    fields.push_back("ZT_JSON=" + std::string(recordLine));
    return fields;
}

}  // namespace zt::station
