#pragma once
// stb's image decoder, scaler and encoder, from Debian's libstb-dev, as the
// packer uses them: PNG only, from memory, within bounds an icon needs.
// stb_images.cpp holds their one implementation.
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_MAX_DIMENSIONS 8192
#define STBI_WRITE_NO_STDIO
#include <stb_image.h>
#include <stb_image_resize.h>
#include <stb_image_write.h>
