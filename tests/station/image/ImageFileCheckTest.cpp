#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "chip/EepromImage.h"
#include "station/image/ImageFileCheck.h"
#include "station/image/ImageInspector.h"

namespace zt::station {
namespace {

// The inspector reads any bytes safely and points out what does not add up.
TEST(ImageInspector, ReportsBrokenDescriptorsAndSurvivesGarbage) {
    EepromImage broken = kImageA;
    const size_t config = 0x226F + 8 + 18;
    broken[config + 2] += 1;  // wTotalLength one too long
    std::ostringstream out;
    ImageInspector(broken).Write(out);
    EXPECT_NE(out.str().find("wTotalLength 136 (MISMATCH: the set holds 135 bytes)"), std::string::npos)
        << out.str();

    // Records and descriptors running off the end, lengths of 0, 1 and 255, a tag in the last bytes.
    std::vector<std::vector<uint8_t>> images;
    images.emplace_back(kImageSize, 0xFF);
    images.emplace_back(kImageA.begin(), kImageA.end());
    images.back()[0x226F + 8] = 255;
    images.emplace_back(kImageA.begin(), kImageA.begin() + 0x2260);  // cut inside the descriptors
    std::vector<uint8_t> tail(kImageSize, 0);
    const std::string tag = "ZTFsDTag";
    std::copy(tag.begin(), tag.end(), tail.end() - 8);
    tail[0x4008] = 0x0F;  // serial offset pointing near the end
    tail[0x4009] = 0x40;
    images.push_back(tail);
    images.emplace_back(std::vector<uint8_t>{});
    for (const auto& bytes : images) {
        std::ostringstream text;
        ImageInspector(bytes).Write(text);
        EXPECT_FALSE(text.str().empty());
    }
}

// The file check takes exactly one image: a bigger buffer (the dialog's own
// is twice an image) is refused by its length, and an image whose full-speed
// IDs are not in the table of devices looked for is refused by name, since a
// unit behind a USB 1.1 hub could never be found again.
TEST(ImageFileCheck, OnlyAnImageOfItsSizeWhoseBothIdentitiesAreLookedForPasses) {
    std::string failure;
    ASSERT_TRUE(CheckImageFile(kImageA, kInitialKnownDevices, &failure)) << failure;

    std::vector<uint8_t> buffer(kImageBufferSize, 0);
    std::copy(kImageA.begin(), kImageA.end(), buffer.begin());
    EXPECT_FALSE(CheckImageFile(buffer, kInitialKnownDevices, &failure));
    EXPECT_EQ(failure, "length: the file holds 32800 bytes, an image 16400");

    KnownDeviceTable highSpeedOnly{};
    highSpeedOnly[0] = {0x3C4D, 0x7351, 1};
    EXPECT_FALSE(CheckImageFile(kImageA, highSpeedOnly, &failure));
    EXPECT_EQ(failure,
              "known devices: the full-speed device descriptor names 3C4D:7350, a device the tool does not "
              "look for");
}

}  // namespace
}  // namespace zt::station
