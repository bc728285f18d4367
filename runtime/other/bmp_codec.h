#pragma once
// Windows bitmap files: decoded to and encoded from GDI bitmaps.
#include <cstdint>

constexpr uint32_t bmp_format_tag = 0x504D42;  // "BMP"

// Adds the BMP decoder and encoder to the image codec tables.
void bmp_codec_start();
