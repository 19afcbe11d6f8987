#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace zt::win32 {

// A PNG file of 8-bit RGB rows (top row first, `width` * 3 bytes each), with
// the image data in stored deflate blocks: larger than need be, but it needs
// no compressor and every viewer reads it.
std::vector<uint8_t> EncodePng(uint32_t width, uint32_t height, const std::vector<uint8_t>& rgbRows);

// Saves what the client area of `window` shows as a PNG file (the frame is
// the window manager's, and not always ours to read). False when the
// window cannot be read or the file not written.
bool SaveWindowPng(HWND window, const std::string& path);

}  // namespace zt::win32
