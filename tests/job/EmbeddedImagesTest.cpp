#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "chip/EepromImage.h"
#include "chip/ImageIdentity.h"
#include "chip/ImageLayout.h"

namespace zt {
namespace {

namespace img = image;

struct Variant {
    const char* name;
    const EepromImage* image;
    uint16_t release;
    std::string product;
};

const Variant kVariants[] = {
    {"A", &kImageA, 0x0101, "ZT5160 USB Audio"},
    {"B", &kImageB, 0x0201, "ZT5160B USB Audio"},
};

struct Descriptor {
    size_t offset;
    uint8_t length;
    uint8_t type;
};

// Splits bytes [pos, end) into descriptors by their bLength; fails the test on
// a length that is too short or runs past end.
std::vector<Descriptor> Walk(const EepromImage& image, size_t pos, size_t end) {
    std::vector<Descriptor> out;
    while (pos < end) {
        const uint8_t length = image[pos];
        EXPECT_GE(length, 2) << "at " << pos;
        EXPECT_LE(pos + length, end) << "at " << pos;
        if (length < 2 || pos + length > end) break;
        out.push_back({pos, length, image[pos + 1]});
        pos += length;
    }
    return out;
}

uint16_t Le16(const EepromImage& image, size_t pos) { return img::ReadLe16(image, pos); }

std::string StringAt(const EepromImage& image, size_t descriptor) {
    std::string text;
    for (size_t i = 2; i < image[descriptor]; i += 2) {
        EXPECT_EQ(image[descriptor + i + 1], 0);
        text.push_back(static_cast<char>(image[descriptor + i]));
    }
    return text;
}

class EmbeddedImage : public ::testing::TestWithParam<Variant> {
protected:
    const EepromImage& image = *GetParam().image;
};

TEST_P(EmbeddedImage, HeaderAndBootVectorsHoldARealProgram) {
    EXPECT_EQ(std::string(image.begin(), image.begin() + 4), std::string("WTC\0", 4));
    EXPECT_EQ(image[4], 0x4F);
    ASSERT_EQ(image[5], img::kOpLjmp);
    const size_t reset = (image[6] << 8) | image[7];

    // Every interrupt vector is a RETI or a long jump into code that ends in a RETI.
    for (uint16_t vector : img::kInterruptVectors) {
        const size_t at = img::kProgramBase + vector;
        if (image[at] == img::kOpReti) continue;
        ASSERT_EQ(image[at], img::kOpLjmp) << "vector " << vector;
        const size_t handler = img::kProgramBase + ((image[at + 1] << 8) | image[at + 2]);
        EXPECT_GT(handler, img::kProgramBase + 0x2B + 8) << "handler inside the vector table";
        bool endsInReti = false;
        for (size_t i = handler; i < handler + 16 && !endsInReti; ++i) endsInReti = image[i] == img::kOpReti;
        EXPECT_TRUE(endsInReti) << "vector " << vector;
    }

    // The reset target ends in an idle loop: ORL PCON,#1 then a short jump back to it.
    bool idleLoop = false;
    for (size_t i = img::kProgramBase + reset; i < img::kProgramBase + reset + 32 && !idleLoop; ++i)
        idleLoop = image[i] == 0x43 && image[i + 1] == 0x87 && image[i + 2] == 0x01 && image[i + 3] == 0x80 &&
                   image[i + 4] == static_cast<uint8_t>(-5);
    EXPECT_TRUE(idleLoop);
}

TEST_P(EmbeddedImage, RecordTagsAppearOnlyWhereTheRecordsAre) {
    std::vector<std::pair<size_t, std::string>> tags;
    for (size_t p = 0; p < image.size(); ++p)
        if (img::IsRecordTagAt(image, p)) tags.emplace_back(p, std::string(&image[p], &image[p] + 8));
    ASSERT_GE(tags.size(), 6u);
    EXPECT_EQ(tags[0], std::make_pair(size_t{0x2205}, std::string("ZTFwLTag")));
    EXPECT_EQ(tags[1], std::make_pair(size_t{0x2225}, std::string("ZTCIdTag")));
    std::set<std::string> unique;
    for (const auto& [at, tag] : tags) EXPECT_TRUE(unique.insert(tag).second) << tag << " twice";
    EXPECT_TRUE(unique.count("ZTHsDTag") && unique.count("ZTFsDTag"));
    for (const auto& [at, tag] : tags) {
        if (tag == "ZTHsDTag") {
            EXPECT_EQ(at, 0x224Bu);
        }
    }
}

TEST_P(EmbeddedImage, FirmwareAndChipClassRecordsHoldTheirFields) {
    const size_t fw = 0x2205;
    struct Field {
        size_t offset;
        uint16_t value;
    };
    const Field fields[] = {{14, 0},      {16, 0},      {18, GetParam().release}, {20, 0x3C4D},
                            {22, 0x7351}, {24, 0x7350}, {26, GetParam().release}, {28, 0x4C21}};
    for (const auto& f : fields) EXPECT_EQ(Le16(image, fw + f.offset), f.value) << "field +" << f.offset;
    EXPECT_EQ(image[0x2225 + 8], 0x27);
}

TEST_P(EmbeddedImage, HighSpeedDescriptorsAreADeviceAndAQualifier) {
    const size_t at = 0x224B + 8;
    const auto set = Walk(image, at, at + 28);
    ASSERT_EQ(set.size(), 2u);
    EXPECT_EQ(set[0].length, 18);
    EXPECT_EQ(set[0].type, 1);
    EXPECT_EQ(Le16(image, at + 2), 0x0200);
    EXPECT_EQ(image[at + 7], 64);  // control endpoint size of a high-speed device
    EXPECT_EQ(Le16(image, at + 8), 0x3C4D);
    EXPECT_EQ(Le16(image, at + 10), 0x7351);
    EXPECT_EQ(Le16(image, at + 12), GetParam().release);
    EXPECT_EQ(image[at + 17], 1);
    EXPECT_EQ(set[1].length, 10);
    EXPECT_EQ(set[1].type, 6);
    EXPECT_EQ(Le16(image, at + 18 + 2), 0x0200);
}

// Finds the first record with tag; the test fails when there is none.
size_t FindTag(const EepromImage& image, std::string_view tag) {
    for (size_t p = 0; p < image.size(); ++p)
        if (img::TagEquals(image, p, tag)) return p;
    ADD_FAILURE() << tag << " missing";
    return 0;
}

TEST_P(EmbeddedImage, FullSpeedConfigurationIsAWellFormedAudioDeviceWithHid) {
    const size_t at = FindTag(image, img::kFsDescriptorTag) + 8;
    ASSERT_EQ(image[at], 18);
    ASSERT_EQ(image[at + 1], 1);
    EXPECT_EQ(Le16(image, at + 2), 0x0110);
    EXPECT_EQ(Le16(image, at + 8), 0x3C4D);
    EXPECT_EQ(Le16(image, at + 12), GetParam().release);

    const size_t config = at + 18;
    ASSERT_EQ(image[config], 9);
    ASSERT_EQ(image[config + 1], 2);
    const uint16_t totalLength = Le16(image, config + 2);
    const auto set = Walk(image, config, config + totalLength);
    ASSERT_FALSE(set.empty());
    size_t sum = 0;
    for (const auto& d : set) sum += d.length;
    EXPECT_EQ(sum, totalLength);
    // Nothing of the set lies past wTotalLength: the next bytes start another record.
    EXPECT_TRUE(img::IsRecordTagAt(image, config + totalLength));

    std::set<uint8_t> interfaces;
    int endpointsDeclared = 0, endpointsFound = 0;
    size_t acHeader = 0, hidDescriptor = 0, hidEndpoint = 0;
    uint8_t currentClass = 0, currentSubClass = 0;
    for (const auto& d : set) {
        const uint8_t* p = &image[d.offset];
        switch (d.type) {
            case 4:
                EXPECT_EQ(d.length, 9);
                interfaces.insert(p[2]);
                endpointsDeclared += p[4];
                currentClass = p[5];
                currentSubClass = p[6];
                break;
            case 5:
                EXPECT_TRUE(d.length == 7 || d.length == 9);
                ++endpointsFound;
                if (currentClass == 3) hidEndpoint = d.offset;
                break;
            case 0x21:
                EXPECT_EQ(currentClass, 3);
                hidDescriptor = d.offset;
                break;
            case 0x24:
                EXPECT_EQ(currentClass, 1);
                if (currentSubClass == 1 && p[2] == 1) acHeader = d.offset;
                break;
            case 0x02:
                EXPECT_EQ(d.offset, config) << "a second configuration inside the set";
                break;
            case 0x25:
                break;
            default:
                ADD_FAILURE() << "unexpected descriptor type " << int(d.type);
        }
    }
    EXPECT_EQ(interfaces.size(), image[config + 4]) << "bNumInterfaces";
    EXPECT_EQ(endpointsFound, endpointsDeclared);

    // The audio control header's total covers it and the class-specific descriptors after it.
    ASSERT_NE(acHeader, 0u);
    size_t acSum = 0;
    size_t i = 0;
    while (set[i].offset != acHeader) ++i;
    for (; i < set.size() && set[i].type == 0x24; ++i) acSum += set[i].length;
    EXPECT_EQ(Le16(image, acHeader + 5), acSum);

    // HID: interrupt IN endpoint, and a report descriptor of the declared length.
    ASSERT_NE(hidDescriptor, 0u);
    ASSERT_NE(hidEndpoint, 0u);
    EXPECT_EQ(image[hidEndpoint + 2] & 0x80, 0x80);
    EXPECT_EQ(image[hidEndpoint + 3] & 3, 3);
    EXPECT_EQ(image[hidDescriptor + 6], 0x22);
    const size_t report = FindTag(image, img::kHidReportTag) + 8;
    const uint16_t reportLength = Le16(image, hidDescriptor + 7);
    EXPECT_EQ(image[report], 0x06);                     // usage page first
    EXPECT_EQ(image[report + reportLength - 1], 0xC0);  // end collection last
    EXPECT_TRUE(img::IsRecordTagAt(image, report + reportLength));
}

TEST_P(EmbeddedImage, StringsAndTailBlockAgree) {
    const size_t strings = FindTag(image, img::kStringsTag) + 8;
    std::vector<size_t> at;
    for (size_t p = strings; image[p] >= 2 && image[p + 1] == 3; p += image[p]) at.push_back(p);
    ASSERT_EQ(at.size(), 4u);
    EXPECT_EQ(image[at[0]], 4);
    EXPECT_EQ(Le16(image, at[0] + 2), 0x0409);
    EXPECT_EQ(StringAt(image, at[2]), GetParam().product);

    // Tail: 8 zero bytes, the serial string's first character, the IDs, 2 zero bytes.
    for (size_t i = 0x4000; i < 0x4008; ++i) EXPECT_EQ(image[i], 0) << i;
    const size_t serialIndex = image[0x224B + 8 + 16];  // iSerialNumber of the device descriptor
    ASSERT_LT(serialIndex, at.size());
    EXPECT_EQ(Le16(image, 0x4008), at[serialIndex] + 2);
    EXPECT_EQ(Le16(image, 0x400A), 0x7351);
    EXPECT_EQ(Le16(image, 0x400C), 0x3C4D);
    EXPECT_EQ(Le16(image, 0x400E), 0);
}

INSTANTIATE_TEST_SUITE_P(Variants, EmbeddedImage, ::testing::ValuesIn(kVariants),
                         [](const auto& info) { return std::string(info.param.name); });

// The variants share program, records and descriptors; only the release
// numbers, the product string and what the string's length moves may differ.
TEST(EmbeddedImages, VariantsDifferOnlyInReleaseAndProduct) {
    const size_t fs = FindTag(kImageA, img::kFsDescriptorTag) + 8;
    const size_t strings = FindTag(kImageA, img::kStringsTag);
    ASSERT_EQ(strings, FindTag(kImageB, img::kStringsTag));
    const std::set<size_t> release = {0x2205 + 18,     0x2205 + 19,     0x2205 + 26, 0x2205 + 27,
                                      0x224B + 8 + 12, 0x224B + 8 + 13, fs + 12,     fs + 13};
    std::set<size_t> differing;
    for (size_t i = 0; i < strings; ++i)
        if (kImageA[i] != kImageB[i]) differing.insert(i);
    EXPECT_FALSE(differing.empty());
    for (size_t i : differing) EXPECT_TRUE(release.count(i)) << "byte " << i << " differs";
}

// A serial goes in only at the image's own length: a shorter one would leave
// the tail of the old serial behind it, a longer one run into what follows.
TEST(EmbeddedImages, ASerialOfAnotherLengthIsRefusedAndLeavesTheImageAsItWas) {
    const std::string original = IdentityOf(kImageA).serial;
    ASSERT_EQ(original.size(), 12u);
    EepromImage image = kImageA;
    std::string why;
    for (const std::string serial : {"SN01", "SN0000000000001", "SN00000000_1"}) {
        EXPECT_FALSE(PutSerialString(image, serial, &why)) << serial;
        EXPECT_FALSE(why.empty()) << serial;
        EXPECT_TRUE(image == kImageA) << serial;
    }
    ASSERT_TRUE(PutSerialString(image, "SN0000000042", &why)) << why;
    EXPECT_EQ(IdentityOf(image).serial, "SN0000000042");
}

}  // namespace
}  // namespace zt
