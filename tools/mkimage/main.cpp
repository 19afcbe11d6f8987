// mkimage: turns the image descriptions into the C++ source that embeds them.
//
//   mkimage -o OUTPUT.cpp DESCRIPTION.json...
//
// Each description names its symbol, its shared base and the values that
// differ between chip variants. On any error nothing is written and the exit
// code is 1.
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "ImageBuilder.h"
#include "JsonValues.h"
#include "SourceWriter.h"

namespace fs = std::filesystem;
using mkimage::DescriptionError;
using mkimage::Json;

namespace {

Json ReadJson(const fs::path& path) {
    std::ifstream in(path);
    if (!in) throw DescriptionError("cannot read " + path.string());
    try {
        return Json::parse(in);
    } catch (const Json::parse_error& e) {
        throw DescriptionError(path.string() + ": " + e.what());
    }
}

bool IsIdentifier(const std::string& s) {
    if (s.empty() || std::isdigit(static_cast<unsigned char>(s[0]))) return false;
    for (unsigned char c : s)
        if (!std::isalnum(c) && c != '_') return false;
    return true;
}

mkimage::NamedImage Load(const fs::path& path) {
    const Json desc = ReadJson(path);
    const std::string symbol = desc.value("symbol", "");
    if (!IsIdentifier(symbol)) throw DescriptionError("\"symbol\" must name a C++ identifier");
    Json doc = desc;
    if (desc.contains("base")) doc = ReadJson(path.parent_path() / desc["base"].get<std::string>());
    doc = mkimage::Substitute(doc, desc.value("values", Json::object()));
    return {symbol, path.filename().string(), mkimage::ImageBuilder(doc).Build()};
}

}  // namespace

int main(int argc, char** argv) {
    fs::path output;
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-o" && i + 1 < argc) {
            output = argv[++i];
        } else if (!arg.empty() && arg[0] == '-') {
            std::cerr << "mkimage: unknown option " << arg
                      << "\nusage: mkimage -o OUTPUT.cpp DESCRIPTION.json...\n";
            return 1;
        } else {
            inputs.push_back(arg);
        }
    }
    if (output.empty() || inputs.empty()) {
        std::cerr << "usage: mkimage -o OUTPUT.cpp DESCRIPTION.json...\n";
        return 1;
    }

    std::vector<mkimage::NamedImage> images;
    for (const auto& input : inputs) {
        try {
            images.push_back(Load(input));
        } catch (const std::exception& e) {
            std::cerr << "mkimage: " << input.string() << ": " << e.what() << "\n";
            return 1;
        }
    }

    // Written aside and renamed, so a failed run never leaves a half file that
    // the build would take as up to date.
    const fs::path temporary = output.string() + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        mkimage::WriteImageSource(out, images);
        out.close();
        if (!out) {
            std::cerr << "mkimage: cannot write " << temporary.string() << "\n";
            std::remove(temporary.string().c_str());
            return 1;
        }
    }
    std::error_code ec;
    fs::rename(temporary, output, ec);
    if (ec) {
        std::cerr << "mkimage: cannot write " << output.string() << ": " << ec.message() << "\n";
        return 1;
    }
    return 0;
}
