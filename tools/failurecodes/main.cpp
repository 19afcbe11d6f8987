// failurecodes: prints docs/failure-codes.md from the failure catalogue, so the
// document can never say something the tool does not.
//
//   failurecodes              the document on standard output
//   failurecodes -o FILE      the document into FILE
//   failurecodes --check FILE exit 1 when FILE is not the document
//   failurecodes --man FILE   the FAILURE CODES section of the man pages, as a
//                             help2man include file
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "job/FailureCatalogue.h"

namespace {

constexpr std::string_view kRegenerate = "cmake --build build --target failure-codes-doc";

std::string Hex2(uint32_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%02X", value & 0xFF);
    return text;
}

// Table cells: a '|' in a text would end its cell.
std::string Cell(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '|') out += '\\';
        out += c;
    }
    return out;
}

std::string Document() {
    using namespace zt;
    std::ostringstream out;
    out << "# Failure codes\n\n"
        << "<!-- Printed by tools/failurecodes from src/job/FailureCatalogue.cpp; do not edit by hand.\n"
        << "     Regenerate with: " << kRegenerate << " -->\n\n"
        << "A failed job shows \"Fail to Write EEPROM! [SSOOCCDD]\": eight hexadecimal digits, two each for\n"
        << "the stage (SS), the origin (OO: the operation that recorded the failure), the class (CC) and "
           "the\n"
        << "detail (DD). The table below says what each code means and what to do.\n\n";

    out << "## Stage\n\n"
        << "The progress marker last written to the device's EEPROM when the failure was recorded.\n\n"
        << "| SS | Meaning |\n|---|---|\n";
    for (uint32_t stage = 0; !StageMeaning(stage).empty(); ++stage)
        out << "| " << Hex2(stage) << " | " << Cell(StageMeaning(stage)) << " |\n";

    // Each class the codes use, once.
    out << "\n## What to do\n\n"
        << "The operator's next step for each class, as `explain` and the station window show it.\n\n"
        << "| CC | Class | Action |\n|---|---|---|\n";
    std::vector<uint32_t> classes;
    for (const FailureEntry& e : FailureCatalogue())
        if (std::find(classes.begin(), classes.end(), e.errorClass) == classes.end())
            classes.push_back(e.errorClass);
    std::sort(classes.begin(), classes.end());
    for (const uint32_t errorClass : classes)
        out << "| " << Hex2(errorClass) << " | " << Cell(FailureClassName(errorClass)) << " | "
            << Cell(FailureClassAction(errorClass)) << " |\n";

    out << "\n## Codes\n\n"
        << "SS stands for the stage above.\n\n"
        << "| Code | Origin | Class | Detail | Meaning |\n|---|---|---|---|---|\n";
    for (const FailureEntry& e : FailureCatalogue()) {
        out << "| SS" << Hex2(e.origin) << Hex2(e.errorClass) << Hex2(e.errorDetail) << " | "
            << Hex2(e.origin) << " " << Cell(OriginName(e.origin)) << " | " << Hex2(e.errorClass) << " "
            << Cell(FailureClassName(e.errorClass)) << " | " << Hex2(e.errorDetail) << " " << Cell(e.name)
            << " | " << Cell(e.meaning) << " |\n";
    }
    return out.str();
}

// roff text: a backslash, a leading dot or quote, and '-' must not reach roff as they are.
std::string Roff(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\\')
            out += "\\e";
        else if (c == '-')
            out += "\\-";
        else
            out += c;
    }
    if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out.insert(0, "\\&");
    return out;
}

std::string ManSection() {
    using namespace zt;
    std::ostringstream out;
    out << "[FAILURE CODES]\n"
        << "A failed job shows \\fBFail to Write EEPROM! [SSOOCCDD]\\fR: two hexadecimal digits each for the "
           "stage (SS), the origin (OO), the class (CC) and the detail (DD). "
           "\\fBzt51xx\\-mp explain\\fR \\fICODE\\fR says what one code means; "
           "/usr/share/doc/zt51xx\\-mp/failure\\-codes.md holds this table too.\n"
        << ".SS Stage\n";
    for (uint32_t stage = 0; !StageMeaning(stage).empty(); ++stage)
        out << ".TP\n.B " << Hex2(stage) << "\n" << Roff(StageMeaning(stage)) << "\n";
    out << ".SS Codes\n";
    for (const FailureEntry& e : FailureCatalogue()) {
        out << ".TP\n.B SS" << Hex2(e.origin) << Hex2(e.errorClass) << Hex2(e.errorDetail) << "\n"
            << Roff(OriginName(e.origin)) << ", " << Roff(FailureClassName(e.errorClass)) << ": "
            << Roff(e.name) << ". " << Roff(e.meaning) << "\n";
    }
    return out.str();
}

int Usage() {
    std::cerr << "usage: failurecodes [-o FILE | --check FILE | --man FILE]\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string document = Document();
    if (argc == 1) {
        std::cout << document;
        return std::cout ? 0 : 1;
    }
    if (argc != 3) return Usage();
    const std::string mode = argv[1];
    const std::string path = argv[2];

    if (mode == "-o" || mode == "--man") {
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file << (mode == "-o" ? document : ManSection());
        file.close();
        if (!file) {
            std::cerr << "failurecodes: cannot write " << path << "\n";
            return 1;
        }
        return 0;
    }
    if (mode == "--check") {
        std::ifstream file(path, std::ios::binary);
        const std::string committed((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        if (file.bad() || committed != document) {
            std::cerr << path << " does not match the failure catalogue (src/job/FailureCatalogue.cpp).\n"
                      << "Regenerate it with: " << kRegenerate << "\n";
            return 1;
        }
        return 0;
    }
    return Usage();
}
