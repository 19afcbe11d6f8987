#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "chip/EepromImage.h"
#include "chip/ImageLayout.h"
#include "job/JobObserver.h"
#include "job/ProgrammingJob.h"
#include "support/NullPlatform.h"

namespace zt {
namespace {

namespace img = image;

// A record to place into a test buffer: tag at offset, then field bytes.
struct Put {
    size_t offset;
    std::string_view tag;
    std::vector<uint8_t> fields;  // from tag + 8
};

Put ChipClass(size_t at, uint8_t cls) { return {at, img::kChipClassTag, {cls, 0, 0, 0}}; }
Put HsDescriptors(size_t at) { return {at, img::kHsDescriptorTag, {18, 1, 0x00, 0x02}}; }
Put Firmware(size_t at, uint16_t id) {
    std::vector<uint8_t> fields(22, 0);
    fields[20] = static_cast<uint8_t>(id);
    fields[21] = static_cast<uint8_t>(id >> 8);
    return {at, img::kFirmwareTag, fields};
}

struct ImageTags : ::testing::Test {
    test::NullPlatform machine;
    Platform platform = machine.AsPlatform();
    JobObserver observer;
    std::optional<ProgrammingJob> job{std::in_place, platform, observer};

    // A job of its own for each case, so that the record is its scan's alone.
    void NewJob() { job.emplace(platform, observer); }
    // Fills the image buffer as the write request leaves it: zero, then the image.
    void Load(const std::vector<Put>& records) {
        const std::span<uint8_t> buffer = job->Commands().ImageBuffer();
        std::fill(buffer.begin(), buffer.end(), 0);
        std::memcpy(buffer.data(), "WTC\0\x4F", 5);
        for (const auto& r : records) {
            std::memcpy(&buffer[r.offset], r.tag.data(), r.tag.size());
            std::memcpy(&buffer[r.offset + 8], r.fields.data(), r.fields.size());
        }
    }
    uint32_t Scan() { return static_cast<uint32_t>(job->ParseImageTags()); }
    uint32_t RecordedCode() const { return job->LastFailure().Code(); }
    JobState State() const { return job->State(); }
};

TEST_F(ImageTags, EmbeddedImagesPassWithTheirFirmwareId) {
    for (const EepromImage* image : {&kImageA, &kImageB}) {
        NewJob();
        job->Commands().LoadImage(*image);
        EXPECT_EQ(Scan(), uint32_t(kOk));
        EXPECT_EQ(RecordedCode(), 0u);
        const JobState state = State();
        EXPECT_TRUE(state.hasFirmwareTag);
        EXPECT_TRUE(state.hasChipClassTag);
        EXPECT_TRUE(state.hasHsDescriptorTag);
        EXPECT_EQ(state.imageFirmwareId, 0x4C21);
        EXPECT_EQ(state.imageChipClass, 0x27);
    }
}

struct ScanCase {
    const char* name;
    std::vector<Put> records;
    uint32_t code;  // 0: passes
};

TEST_F(ImageTags, DecidesByChipClassFirstThenHighSpeedDescriptors) {
    const ScanCase cases[] = {
        {"class 0x27 and descriptors", {ChipClass(0x2225, 0x27), HsDescriptors(0x224B)}, 0},
        {"class 0x26", {ChipClass(0x2225, 0x26), HsDescriptors(0x224B)}, 0x00020302},
        {"class 0x28", {ChipClass(0x2225, 0x28), HsDescriptors(0x224B)}, 0x00020302},
        {"no chip-class record", {HsDescriptors(0x224B)}, 0x00020302},
        {"neither record: chip class decides", {}, 0x00020302},
        {"bad class, no descriptors: chip class decides", {ChipClass(0x100, 0x26)}, 0x00020302},
        {"no descriptor tag", {ChipClass(0x2225, 0x27)}, 0x00021503},
        {"first chip-class record wins (good first)",
         {ChipClass(0x100, 0x27), ChipClass(0x200, 0x26), HsDescriptors(0x300)},
         0},
        {"first chip-class record wins (bad first)",
         {ChipClass(0x100, 0x26), ChipClass(0x200, 0x27), HsDescriptors(0x300)},
         0x00020302},
        {"records may sit anywhere in the image", {HsDescriptors(0x0008), ChipClass(0x3FE0, 0x27)}, 0},
        {"no firmware record still passes", {ChipClass(0x2225, 0x27), HsDescriptors(0x224B)}, 0},
        // The scan reaches past the image into the rest of the buffer, up to position 0x7FFF.
        {"record at the last scanned position", {HsDescriptors(0x4100), ChipClass(0x7FFF, 0x27)}, 0},
        {"record just past the scanned range", {HsDescriptors(0x4100), ChipClass(0x8000, 0x27)}, 0x00020302},
    };
    for (const auto& c : cases) {
        NewJob();
        Load(c.records);
        const uint32_t status = Scan();
        EXPECT_EQ(status, c.code ? uint32_t(kFail) : uint32_t(kOk)) << c.name;
        EXPECT_EQ(RecordedCode(), c.code) << c.name;
        EXPECT_FALSE(State().hasFirmwareTag) << c.name;
    }
}

TEST_F(ImageTags, FirstFirmwareRecordGivesTheId) {
    Load(
        {Firmware(0x2205, 0x4C21), Firmware(0x2300, 0x1234), ChipClass(0x2225, 0x27), HsDescriptors(0x224B)});
    EXPECT_EQ(Scan(), uint32_t(kOk));
    EXPECT_TRUE(State().hasFirmwareTag);
    EXPECT_EQ(State().imageFirmwareId, 0x4C21);
}

TEST_F(ImageTags, FlagsComeFromTheLatestScanOnly) {
    Load({Firmware(0x2205, 0x4C21), ChipClass(0x2225, 0x27), HsDescriptors(0x224B)});
    ASSERT_EQ(Scan(), uint32_t(kOk));
    Load({ChipClass(0x2225, 0x27)});
    EXPECT_EQ(Scan(), uint32_t(kFail));
    EXPECT_FALSE(State().hasFirmwareTag);
    EXPECT_FALSE(State().hasHsDescriptorTag);
}

// A tag whose first byte is the image's last (offset 16399) is cut off by the
// copy: the rest of the buffer is zero, so it cannot match.
TEST_F(ImageTags, TagCutOffAtTheImageEndDoesNotMatch) {
    EepromImage image = kImageA;
    // Remove the real chip-class record and put one at the very end.
    std::memset(&image[0x2225], 0, img::kChipClassRecordSize);
    image[kImageSize - 1] = 'Z';
    job->Commands().LoadImage(image);
    EXPECT_EQ(Scan(), uint32_t(kFail));
    EXPECT_FALSE(State().hasChipClassTag);
    EXPECT_EQ(RecordedCode(), 0x00020302u);
}

TEST_F(ImageTags, FailureCarriesTheCurrentJobStage) {
    Load({ChipClass(0x2225, 0x27)});
    job->Commands().SetJobStage(3);
    EXPECT_EQ(Scan(), uint32_t(kFail));
    EXPECT_EQ(job->LastFailure(), (JobResult{3, 2, 21, 3}));
    EXPECT_EQ(RecordedCode(), 0x03021503u);
}

TEST(SelectImage, MaskedChipIdentifierPicksTheVariant) {
    const struct {
        uint32_t chipId;
        const EepromImage* image;
    } cases[] = {
        {0x73C0, &kImageA}, {0x73C7, &kImageA}, {0x73CF, &kImageA}, {0x73B0, &kImageB}, {0x73B5, &kImageB},
        {0x73D0, nullptr},  {0x73A0, nullptr},  {0x7400, nullptr},  {0x0000, nullptr},  {0xFFFFFFFF, nullptr},
    };
    for (const auto& c : cases) EXPECT_EQ(SelectImage(c.chipId), c.image) << std::hex << c.chipId;
}

}  // namespace
}  // namespace zt
