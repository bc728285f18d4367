#pragma once
// --icon's files as the images of icon 1: one .ico taken as it is, or
// square PNGs from which every size Windows shows is made, each scaled
// from the smallest PNG at least as large (16 to 64 pixels as bitmaps, 256
// as a PNG).
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "icon_resources.h"

constexpr int smallest_icon_png = 256;
constexpr int largest_icon_png = 4096;

struct rgba_pixels {
  int size = 0;  // width and height
  std::vector<uint8_t> bytes;  // rows top-down, 4 bytes a pixel
};

// The PNG file of the pixels, made the same way on every platform.
std::string png_of(const rgba_pixels& pixels);

// files: each file's name, as messages name it, and its bytes. False with
// a problem that names the file: neither an icon nor a PNG, a PNG that is
// not square, two of the same size, or none of 256x256 or more.
bool icon_images_of(const std::vector<std::pair<std::string, std::string>>& files, std::vector<icon_image>& images,
                    std::string& problem);

// The one image a Linux program's window shows: the largest, as it is when
// a PNG, else made one from its 32-bit bitmap. False, with a problem, for a
// bitmap of fewer bits a pixel.
bool linux_icon_png(const std::vector<icon_image>& images, std::string& png, std::string& problem);

// The width of a PNG (its height for a square one), 0 for bytes that are no PNG.
int png_width(const std::string& bytes);

// "16, 32 and 256 pixels", the sizes of an icon's images, for messages.
std::string icon_sizes_text(std::vector<int> sizes);
std::vector<int> icon_sizes_of(const std::vector<icon_image>& images);
