#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "chip/ImageLayout.h"
#include "job/Sha256.h"
#include "job/WriteJobFixture.h"
#include "station/image/ImageFileCheck.h"

namespace zt {
namespace {

struct ImageFileWire : test::WriteJobFixture {};

// write --image checks the file against the chip before the job: it opens
// the unit, reads the chip identity (ten register reads) and closes it, and
// then the job's own preflight opens it and reads the identity again. So a
// job with an image file puts ten requests more on the wire than one with
// the built-in image, and every later tag is ten further on; the README says
// so. The digest pins that traffic: an engineer's release of image A.
constexpr size_t kImageFileWireRequests = 4144;
constexpr const char* kImageFileWireDigest =
    "b20d556a87e2761e11d303e4a5501304c3c1d7254d54366ad05e787bdbf1c22b";

TEST_F(ImageFileWire, TheFitCheckAddsTheIdentityReadsAndTheJobFollows) {
    EepromImage image = kImageA;
    for (const std::string_view tag :
         {image::kFirmwareTag, image::kHsDescriptorTag, image::kFsDescriptorTag}) {
        const size_t at = static_cast<size_t>(
            std::search(image.begin(), image.end(), tag.begin(), tag.end()) - image.begin());
        for (const size_t field :
             tag == image::kFirmwareTag ? std::vector<size_t>{18, 26} : std::vector<size_t>{20})
            image[at + field + 1] = 0x03;  // release 0x0301
    }
    const int chip = bus.AddFactoryChip(sim::ChipVariant::A);
    StartDialog();
    ReplugOnPrompt(chip);
    bus.ClearLog();

    // The unit the write request will open, checked as the station checks it.
    const DeviceIds typed{0x3C4D, 0x7351};
    ChipIdentity identity;
    ASSERT_EQ(dlg->Job().IdentifyUnit(typed, &identity), kOk);
    ASSERT_EQ(station::CheckImageFitsChip(image, identity), "");
    JobRequest request;
    request.vendorId = typed.vendorId;
    request.productId = typed.productId;
    request.image = ImageFile{image, "file"};
    ASSERT_TRUE(RunWriteJob(request));
    EXPECT_TRUE(EepromHoldsImage(image, chip));

    // The check's ten register reads come first, then the job's own ten,
    // each with a tag of its own.
    std::vector<uint8_t> tags;
    for (const auto& e : bus.Log())
        if (e.kind == sim::SimLogEntry::Kind::OutputReport && tags.size() < 21) {
            const test::Request request{e.bytes, e.timeUs};
            EXPECT_EQ(tags.size() < 20, request.Is(0x22)) << tags.size();
            tags.push_back(e.bytes[1]);
        }
    ASSERT_EQ(tags.size(), 21u);
    EXPECT_EQ(static_cast<uint8_t>(tags[10] - tags[0]), 10);
    EXPECT_EQ(static_cast<uint8_t>(tags[20] - tags[10]), 10);

    size_t requests = 0;
    const std::string wire = WireText(&requests);
    EXPECT_EQ(requests, kImageFileWireRequests);
    EXPECT_EQ(Sha256Hex(std::span(reinterpret_cast<const uint8_t*>(wire.data()), wire.size())),
              kImageFileWireDigest);
}

}  // namespace
}  // namespace zt
