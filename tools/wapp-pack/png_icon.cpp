#include "png_icon.h"

#include <algorithm>
#include <map>

#include "payload/byte_fields.h"
#include "stb_images.h"

namespace {

// The sizes Windows asks an app's icon for, from the taskbar's to
// Explorer's largest view.
constexpr int icon_sizes[] = {16, 20, 24, 32, 40, 48, 64, 256};

bool is_png(const std::string& bytes) { return bytes.compare(0, 8, "\x89PNG\r\n\x1A\n") == 0; }

std::string dimensions(int width, int height) { return std::to_string(width) + "x" + std::to_string(height); }

void append32(std::string& b, uint32_t v) {
  for (int i = 0; i < 4; i++) b += (char)(v >> (8 * i));
}

// A 32-bit icon bitmap: its header with twice the height (the colour rows
// and the mask rows), the colours bottom-up, and a mask that hides nothing,
// since the alpha channel does.
std::string icon_bitmap(const rgba_pixels& p) {
  std::string b;
  for (uint32_t v : {40u, (uint32_t)p.size, (uint32_t)p.size * 2}) append32(b, v);
  append32(b, 1 | 32 << 16);  // planes, bits
  for (int i = 0; i < 6; i++) append32(b, 0);
  for (int y = p.size - 1; y >= 0; y--) {
    for (int x = 0; x < p.size; x++) {
      const uint8_t* rgba = &p.bytes[((size_t)y * p.size + x) * 4];
      b += (char)rgba[2], b += (char)rgba[1], b += (char)rgba[0], b += (char)rgba[3];
    }
  }
  b.append((size_t)p.size * ((p.size + 31) / 32 * 4), '\0');
  return b;
}

rgba_pixels scaled(const rgba_pixels& from, int size) {
  if (from.size == size) return from;
  rgba_pixels to{size, std::vector<uint8_t>((size_t)size * size * 4)};
  // In linear light, weighted by alpha, as a picture should shrink.
  stbir_resize_uint8_srgb(from.bytes.data(), from.size, from.size, 0, to.bytes.data(), size, size, 0, 4, 3, 0);
  return to;
}

// The pixels of a 32-bit icon bitmap, as icon_bitmap writes them: its
// header, then the rows bottom-up in BGRA; false for any other kind.
bool bitmap_pixels(const std::string& b, rgba_pixels& pixels) {
  if (b.size() < 40) return false;
  uint32_t header = get32(b, 0), width = get32(b, 4), height = get32(b, 8) / 2;
  const uint32_t uncompressed = 0;
  if (get16(b, 14) != 32 || get32(b, 16) != uncompressed || width == 0 || width != height || width > 256 ||
      header + (uint64_t)width * width * 4 > b.size())
    return false;
  pixels = {(int)width, std::vector<uint8_t>((size_t)width * width * 4)};
  for (uint32_t y = 0; y < width; y++) {
    const char* row = b.data() + header + (size_t)(width - 1 - y) * width * 4;
    for (uint32_t x = 0; x < width; x++) {
      uint8_t* rgba = &pixels.bytes[((size_t)y * width + x) * 4];
      rgba[0] = (uint8_t)row[x * 4 + 2], rgba[1] = (uint8_t)row[x * 4 + 1], rgba[2] = (uint8_t)row[x * 4];
      rgba[3] = (uint8_t)row[x * 4 + 3];
    }
  }
  return true;
}

int image_size(const icon_image& image) { return image.width ? image.width : 256; }

struct png_source {
  const std::string* name;
  const std::string* bytes;
  rgba_pixels pixels;
};

bool decode(const std::string& name, const std::string& bytes, png_source& source, std::string& problem) {
  int width = 0, height = 0, channels = 0;
  if (!stbi_info_from_memory((const stbi_uc*)bytes.data(), (int)bytes.size(), &width, &height, &channels)) {
    problem = name + ": a PNG that cannot be read (" + stbi_failure_reason() + ")";
    return false;
  }
  if (width != height) {
    problem = name + " is " + dimensions(width, height) + ": an icon wants a square PNG";
    return false;
  }
  if (width > largest_icon_png) {
    problem = name + " is " + dimensions(width, height) + ": an icon wants a PNG of at most " +
              dimensions(largest_icon_png, largest_icon_png);
    return false;
  }
  stbi_uc* pixels = stbi_load_from_memory((const stbi_uc*)bytes.data(), (int)bytes.size(), &width, &height, &channels, 4);
  if (!pixels) {
    problem = name + ": a PNG that cannot be read (" + stbi_failure_reason() + ")";
    return false;
  }
  source = {&name, &bytes, {width, std::vector<uint8_t>(pixels, pixels + (size_t)width * height * 4)}};
  stbi_image_free(pixels);
  return true;
}

bool images_from_pngs(const std::vector<std::pair<std::string, std::string>>& files, std::vector<icon_image>& images,
                      std::string& problem) {
  std::map<int, png_source> sources;  // by size
  for (const auto& [name, bytes] : files) {
    if (!is_png(bytes)) {
      problem = name + " is not a PNG: several --icon files are PNGs, one for each size";
      return false;
    }
    png_source source;
    if (!decode(name, bytes, source, problem)) return false;
    auto [it, fresh] = sources.emplace(source.pixels.size, std::move(source));
    if (!fresh) {
      problem = name + " and " + *it->second.name + " are both " + dimensions(it->first, it->first) + ": give one of each size";
      return false;
    }
  }
  int largest = sources.rbegin()->first;
  if (largest < smallest_icon_png) {
    problem = *sources.rbegin()->second.name + " is " + dimensions(largest, largest) + ": an icon wants a PNG of at least " +
              dimensions(smallest_icon_png, smallest_icon_png) + " (Windows shows up to 256x256)";
    return false;
  }
  std::vector<int> sizes(std::begin(icon_sizes), std::end(icon_sizes));
  for (const auto& [size, source] : sources)
    if (size < smallest_icon_png && std::find(sizes.begin(), sizes.end(), size) == sizes.end()) sizes.push_back(size);
  std::sort(sizes.begin(), sizes.end());
  images.clear();
  for (int size : sizes) {
    const png_source& from = sources.lower_bound(size)->second;
    icon_image image{(uint8_t)(size % 256), (uint8_t)(size % 256), 0, 1, 32, {}};
    // The largest as a PNG, as Windows takes it; a PNG of that very size as it was drawn.
    if (size == 256) image.data = from.pixels.size == 256 ? *from.bytes : png_of(scaled(from.pixels, size));
    else image.data = icon_bitmap(scaled(from.pixels, size));
    images.push_back(std::move(image));
  }
  return true;
}

}  // namespace

std::string png_of(const rgba_pixels& pixels) {
  std::string out;
  stbi_write_png_to_func([](void* context, void* data, int size) { ((std::string*)context)->append((const char*)data, size); },
                         &out, pixels.size, pixels.size, 4, pixels.bytes.data(), pixels.size * 4);
  return out;
}

bool icon_images_of(const std::vector<std::pair<std::string, std::string>>& files, std::vector<icon_image>& images,
                    std::string& problem) {
  if (files.size() == 1 && !is_png(files[0].second)) {
    if (read_icon_file(files[0].second, images, problem)) return true;
    problem = files[0].first + " is neither an icon file (.ico) nor a PNG";
    return false;
  }
  return images_from_pngs(files, images, problem);
}

bool linux_icon_png(const std::vector<icon_image>& images, std::string& png, std::string& problem) {
  auto largest = std::max_element(images.begin(), images.end(), [](const icon_image& a, const icon_image& b) {
    return image_size(a) < image_size(b);
  });
  if (largest == images.end()) return false;
  if (is_png(largest->data)) return png = largest->data, true;
  rgba_pixels pixels;
  if (!bitmap_pixels(largest->data, pixels)) {
    int size = image_size(*largest);
    problem = "its largest image (" + dimensions(size, size) + ", " + std::to_string(largest->bit_count) +
              " bits a pixel) is neither a PNG nor a 32-bit bitmap, which a Linux program needs: give --icon a "
              "square PNG";
    return false;
  }
  png = png_of(pixels);
  return true;
}

int png_width(const std::string& bytes) {
  if (!is_png(bytes) || bytes.size() < 24 || bytes.compare(12, 4, "IHDR") != 0) return 0;
  uint32_t width = 0;
  for (int i = 16; i < 20; i++) width = width << 8 | (uint8_t)bytes[i];
  return (int)std::min<uint32_t>(width, 1u << 30);
}

std::vector<int> icon_sizes_of(const std::vector<icon_image>& images) {
  std::vector<int> sizes;
  for (const auto& image : images) sizes.push_back(image_size(image));
  return sizes;
}

std::string icon_sizes_text(std::vector<int> sizes) {
  std::sort(sizes.begin(), sizes.end());
  sizes.erase(std::unique(sizes.begin(), sizes.end()), sizes.end());
  std::string text;
  for (size_t i = 0; i < sizes.size(); i++)
    text += (i == 0 ? "" : i + 1 == sizes.size() ? " and " : ", ") + std::to_string(sizes[i]);
  return text + (sizes.size() == 1 && sizes[0] == 1 ? " pixel" : " pixels");
}
