#include <CLI/CLI.hpp>
#include <cctype>
#include <cstdio>
#include <memory>
#include <ostream>
#include <span>
#include <string>

#include "chip/EepromImage.h"
#include "cli/Commands.h"
#include "host/HostSystem.h"
#include "station/image/ImageFileCheck.h"
#include "station/image/ImageInspector.h"
#include "station/operator/CountText.h"

namespace zt::cli {

using namespace zt::station;

namespace {

struct ImageEntry {
    const char* variant;
    const EepromImage* image;
    uint32_t chipId;
};

const ImageEntry kImages[] = {
    {"A", &kImageA, kChipIdImageA},
    {"B", &kImageB, kChipIdImageB},
};

const ImageEntry* FindBuiltIn(const std::string& name) {
    for (const auto& entry : kImages)
        if (name == entry.variant ||
            (name.size() == 1 && std::toupper(static_cast<unsigned char>(name[0])) == entry.variant[0]))
            return &entry;
    return nullptr;
}

const ImageEntry& Find(const std::string& variant) {
    const ImageEntry* entry = FindBuiltIn(variant);
    return entry ? *entry : kImages[0];  // the parser only lets A and B through
}

void List(CommandContext& ctx) {
    for (const auto& entry : kImages) {
        const ImageInspector inspector(*entry.image);
        char line[160];
        const auto firmwareId = inspector.FirmwareId();
        const auto release = inspector.ReleaseNumber();
        std::snprintf(line, sizeof line,
                      "%s  chip 0x%04X (mask 0x%04X)  %u bytes  firmware ID %04X  release 0x%04X  ",
                      entry.variant, entry.chipId, kChipIdMask, kImageSize, firmwareId.value_or(0),
                      release.value_or(0));
        ctx.out << line << inspector.ProductString() << "\n";
    }
}

// A file is decoded as a built-in image is, whatever it holds, and then put
// through the checks `write --image` makes, against each chip variant.
void InspectFile(CommandContext& ctx, const std::string& path) {
    const RegularFileContents file = ReadRegularFile(path, kImageSize);
    if (file.outcome == RegularFileContents::Outcome::CannotRead) {
        ctx.err << "zt51xx-mp: cannot read " << path << ": " << file.reason << '\n';
        ctx.exitCode = kExitIoError;
        return;
    }
    if (file.outcome == RegularFileContents::Outcome::TooLarge) {
        ctx.err << "zt51xx-mp: " << path << " refused, length: the file holds " << file.size
                << " bytes, an image " << kImageSize << '\n';
        ctx.exitCode = kExitUsage;
        return;
    }
    ctx.out << "image file " << path << ": " << station::Counted(file.bytes.size(), "byte", "bytes") << '\n';
    ImageInspector(file.bytes).Write(ctx.out);
    ctx.out << "checks of write --image (the known devices as the tool starts)\n";
    for (const std::string& line : DescribeImageFileChecks(file.bytes, kInitialKnownDevices))
        ctx.out << "  " << line << "\n";
}

void Inspect(CommandContext& ctx, const std::string& variant) {
    if (!FindBuiltIn(variant)) return InspectFile(ctx, variant);
    const ImageEntry& entry = Find(variant);
    char line[96];
    std::snprintf(line, sizeof line, "image %s: %u bytes, for chips 0x%04X (mask 0x%04X)\n", entry.variant,
                  kImageSize, entry.chipId, kChipIdMask);
    ctx.out << line;
    ImageInspector(*entry.image).Write(ctx.out);
}

// Writes the image whole or reports why not; a file that was there stays as
// it was when the write fails.
void Export(CommandContext& ctx, const std::string& variant, const std::string& path) {
    const EepromImage& image = *Find(variant).image;
    std::string error;
    if (!HostFiles().WriteFileAtomically(path, std::as_bytes(std::span(image)), &error)) {
        ctx.err << "zt51xx-mp: cannot write " << path << ": " << error << "\n";
        ctx.exitCode = kExitIoError;
        return;
    }
    ctx.out << "wrote image " << variant << " (" << image.size() << " bytes) to " << path << "\n";
}

}  // namespace

void AddImageCommands(CLI::App& app, CommandContext& ctx) {
    CLI::App* image = app.add_subcommand(
        "image", "Show or export the EEPROM images built into the tool, or decode an image file");
    image->require_subcommand(1);
    image->footer(
        "\nExit codes: 0 done, 2 bad command line; 'image export' also 4 when the file could not be "
        "written.\n");

    image
        ->add_subcommand("list",
                         "List the built-in images: the chip each is for, firmware ID, release, product")
        ->callback([&ctx] { List(ctx); });

    // Shared by the subcommands' callbacks, which run after parsing.
    auto variant = std::make_shared<std::string>();
    auto path = std::make_shared<std::string>();

    CLI::App* inspect = image->add_subcommand(
        "inspect",
        "Decode an image: header and boot vectors, each tagged record's fields, the USB descriptors, "
        "the strings and the tail block");
    inspect->add_option("image", *variant, "A (chips 0x73Cx), B (chips 0x73Bx), or an image FILE")
        ->type_name("{A,B}|FILE")
        ->required();
    inspect->footer(
        "\nA FILE is decoded the same way, then put through the checks 'write --image' makes: the file on "
        "its "
        "own, and whether it would be written to chip A and to chip B.\n"
        "Exit codes: 0 done, 2 bad command line or a file longer than an image, 4 the file could not be "
        "read.\n");
    inspect->callback([&ctx, variant] { Inspect(ctx, *variant); });

    CLI::App* exportCmd =
        image->add_subcommand("export", "Write an image's 16400 bytes to a file, as the EEPROM holds them");
    exportCmd->add_option("variant", *variant, "A (chips 0x73Cx) or B (chips 0x73Bx)")
        ->required()
        ->transform(CLI::IsMember({"A", "B"}, CLI::ignore_case));
    exportCmd->add_option("file", *path, "Where to write the image (replaced whole if it exists)")
        ->required();
    exportCmd->footer(
        "\nExit codes: 0 written, 2 bad command line, 4 the file could not be written (a file that was there "
        "is "
        "left as it was).\n");
    exportCmd->callback([&ctx, variant, path] { Export(ctx, *variant, *path); });
}

}  // namespace zt::cli
