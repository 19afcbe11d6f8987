#pragma once
#include <ostream>
#include <string>
#include <vector>

#include "chip/EepromImage.h"

namespace mkimage {

struct NamedImage {
    std::string symbol;  // kImageA
    std::string source;  // the description's file name, for the reader of the generated file
    zt::EepromImage bytes;
};

// Writes one C++ source that defines every image as a const EepromImage. The
// text depends on nothing but the images, so the same descriptions always give
// the same file.
void WriteImageSource(std::ostream& out, const std::vector<NamedImage>& images);

}  // namespace mkimage
