#include "runtime/other/bmp_codec.h"

#include <windows.h>
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "runtime/core/runtime_globals.h"
#include "runtime/other/images.h"

// Larger sides are refused so that the size arithmetic below cannot overflow.
constexpr int64_t largest_side = 65535;

struct opened_bmp {
  const BITMAPINFO* info;  // inside the caller's bytes, header and colour table
  const uint8_t* pixels;
  int32_t width, height;   // height without the sign that marks a top-down file
};

static int64_t stride_of(int64_t width, int64_t bits_per_pixel) { return (width * bits_per_pixel + 31) / 32 * 4; }

// Accepts only files whose header, colour table and pixel rows all lie inside
// the bytes, so that GDI never reads past them.
static void* open_bmp(const void* bytes, int64_t size) {
  const auto* file = static_cast<const uint8_t*>(bytes);
  BITMAPFILEHEADER head;
  BITMAPINFOHEADER info;
  if (!file || size < (int64_t)(sizeof(head) + sizeof(info))) return nullptr;
  memcpy(&head, file, sizeof(head));
  memcpy(&info, file + sizeof(head), sizeof(info));
  if (head.bfType != 0x4D42 || info.biSize < sizeof(info) || info.biPlanes != 1) return nullptr;
  int64_t width = info.biWidth, height = std::llabs(info.biHeight), bits = info.biBitCount;
  if (width <= 0 || height == 0 || width > largest_side || height > largest_side) return nullptr;
  bool indexed = bits == 1 || bits == 4 || bits == 8;
  if (!indexed && bits != 16 && bits != 24 && bits != 32) return nullptr;
  int64_t colours = info.biClrUsed;
  if (indexed && colours == 0) colours = int64_t(1) << bits;
  if (colours > 256) return nullptr;
  int64_t header_end = sizeof(head) + int64_t(info.biSize);
  if (info.biCompression == BI_BITFIELDS) {
    if (bits != 16 && bits != 32) return nullptr;
    // GDI reads the three masks right after the basic 40-byte header, inside
    // a larger header or after the basic one; a header of 41 to 51 bytes holds
    // only part of them.
    header_end = std::max(header_end, int64_t(sizeof(head) + sizeof(info) + 3 * sizeof(DWORD)));
  } else if (info.biCompression != BI_RGB) {
    return nullptr;
  }
  int64_t table_end = header_end + colours * 4;
  int64_t pixels_end = int64_t(head.bfOffBits) + stride_of(width, bits) * height;
  if (table_end > size || head.bfOffBits < table_end || pixels_end > size) return nullptr;
  auto* opened = static_cast<opened_bmp*>(HeapAlloc(runtime.heap, HEAP_ZERO_MEMORY, sizeof(opened_bmp)));
  if (!opened) return nullptr;
  opened->info = reinterpret_cast<const BITMAPINFO*>(file + sizeof(head));
  opened->pixels = file + head.bfOffBits;
  opened->width = (int32_t)width;
  opened->height = (int32_t)height;
  return opened;
}

static BITMAPINFOHEADER rgb32_header(int32_t width, int32_t height) {
  BITMAPINFOHEADER header = {};
  header.biSize = sizeof(header);
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = 32;
  header.biCompression = BI_RGB;
  return header;
}

static HBITMAP decode_bmp(void* handle) {
  auto* opened = static_cast<opened_bmp*>(handle);
  if (!opened) return nullptr;
  BITMAPINFO target = {};
  target.bmiHeader = rgb32_header(opened->width, -opened->height);
  void* target_pixels = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &target, DIB_RGB_COLORS, &target_pixels, nullptr, 0);
  if (!bitmap) return nullptr;
  HDC screen = GetDC(nullptr);
  int rows = SetDIBits(screen, bitmap, 0, opened->height, opened->pixels, opened->info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  if (rows != opened->height) {
    DeleteObject(bitmap);
    return nullptr;
  }
  return bitmap;
}

static void release_bmp(void* opened) {
  if (opened) HeapFree(runtime.heap, 0, opened);
}

// Writes a bottom-up 32-bit file, the layout every reader of BMP accepts.
static void* encode_bmp(HBITMAP bitmap, int64_t* size) {
  *size = 0;
  BITMAP shape;
  if (!GetObjectW(bitmap, sizeof(shape), &shape)) return nullptr;
  int64_t width = shape.bmWidth, height = std::llabs(shape.bmHeight);
  if (width <= 0 || height == 0 || width > largest_side || height > largest_side) return nullptr;
  BITMAPINFO info = {};
  info.bmiHeader = rgb32_header((int32_t)width, (int32_t)height);
  int64_t offset = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  int64_t total = offset + width * 4 * height;
  if (total > UINT32_MAX) return nullptr;  // the file header's size field is 32-bit
  auto* file = static_cast<uint8_t*>(HeapAlloc(runtime.heap, HEAP_ZERO_MEMORY, total));
  if (!file) return nullptr;
  HDC screen = GetDC(nullptr);
  int rows = GetDIBits(screen, bitmap, 0, (UINT)height, file + offset, &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  if (rows != height) {
    HeapFree(runtime.heap, 0, file);
    return nullptr;
  }
  BITMAPFILEHEADER head = {};
  head.bfType = 0x4D42;
  head.bfSize = (DWORD)total;
  head.bfOffBits = (DWORD)offset;
  memcpy(file, &head, sizeof(head));
  memcpy(file + sizeof(head), &info.bmiHeader, sizeof(info.bmiHeader));
  *size = total;
  return file;
}

void bmp_codec_start() {
  register_decoder({bmp_format_tag, open_bmp, decode_bmp, release_bmp});
  register_encoder({bmp_format_tag, encode_bmp});
}
