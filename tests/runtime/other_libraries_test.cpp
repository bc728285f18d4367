#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "runtime/core/registry.h"
#include "runtime/core/runtime_globals.h"
#include "runtime/other/bmp_codec.h"
#include "runtime/other/images.h"
#include "runtime/other/tray_icons.h"
#include "support/runtime_environment.h"

namespace {

HICON new_icon() {
  BYTE and_mask[16] = {}, xor_mask[16] = {};
  return CreateIcon(nullptr, 4, 4, 1, 1, and_mask, xor_mask);
}

bool icon_exists(HICON icon) {
  ICONINFO info;
  if (!GetIconInfo(icon, &info)) return false;
  DeleteObject(info.hbmMask);
  DeleteObject(info.hbmColor);
  return true;
}

// Bitmaps and icons need different calls; a list of frames goes with them.
TEST(OtherLibraries, ImagesFreeBitmapAndIconFrames) {
  image_library_start();
  HBITMAP single = CreateBitmap(2, 2, 1, 32, nullptr), first = CreateBitmap(2, 2, 1, 32, nullptr);
  HICON second = new_icon();
  static_cast<image_record*>(obtain_slot(image_registry, 0))->frame = single;
  auto* animated = static_cast<image_record*>(obtain_slot(image_registry, 1));
  animated->frames = static_cast<HANDLE*>(HeapAlloc(runtime.heap, 0, 2 * sizeof(HANDLE)));
  animated->frames[0] = animated->frame = first;
  animated->frames[1] = second;
  animated->frame_count = 2;
  image_library_stop();
  EXPECT_EQ(GetObjectType(single), 0u);
  EXPECT_EQ(GetObjectType(first), 0u);
  EXPECT_FALSE(icon_exists(second));
}

class WithWindow : public ::testing::Test {
 protected:
  void SetUp() override { window_ = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr); }
  void TearDown() override { DestroyWindow(window_); }
  HWND window_;
};

TEST_F(WithWindow, TrayIconRemovalTakesOnlyItsOwnProperty) {
  tray_library_start();
  EXPECT_EQ(taskbar_created_message, RegisterWindowMessageW(L"TaskbarCreated"));
  SetPropW(window_, L"TiloSysTray7", (HANDLE)1);
  SetPropW(window_, L"TiloSysTray8", (HANDLE)1);
  HICON icon = new_icon();
  *static_cast<tray_icon_record*>(obtain_slot(tray_registry, 2)) = {window_, icon, 7};
  tray_library_stop();
  EXPECT_EQ(GetPropW(window_, L"TiloSysTray7"), nullptr);
  EXPECT_NE(GetPropW(window_, L"TiloSysTray8"), nullptr);
  EXPECT_FALSE(icon_exists(icon));
}

std::vector<uint8_t> bmp_file(int32_t width, int32_t height, int bits, const std::vector<uint8_t>& after_header) {
  BITMAPFILEHEADER head = {0x4D42, 0, 0, 0, sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)};
  BITMAPINFOHEADER info = {sizeof(info), width, height, 1, (WORD)bits, BI_RGB, 0, 0, 0, 0, 0};
  std::vector<uint8_t> file(sizeof(head) + sizeof(info) + after_header.size());
  memcpy(file.data(), &head, sizeof(head));
  memcpy(file.data() + sizeof(head), &info, sizeof(info));
  std::copy(after_header.begin(), after_header.end(), file.begin() + sizeof(head) + sizeof(info));
  return file;
}

// The file is decoded from memory that ends right before an inaccessible
// page, so any read past its last byte faults instead of passing unseen.
HBITMAP decode(const std::vector<uint8_t>& file) {
  SYSTEM_INFO system;
  GetSystemInfo(&system);
  size_t page = system.dwPageSize, span = (file.size() + page - 1) / page * page;
  auto* base = static_cast<uint8_t*>(VirtualAlloc(nullptr, span + page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
  DWORD previous;
  VirtualProtect(base + span, page, PAGE_NOACCESS, &previous);
  uint8_t* bytes = base + span - file.size();
  memcpy(bytes, file.data(), file.size());
  const image_decoder* decoder = find_decoder(bmp_format_tag);
  HBITMAP bitmap = nullptr;
  if (void* opened = decoder->open(bytes, (int64_t)file.size())) {
    bitmap = decoder->decode(opened);
    decoder->release(opened);
  }
  VirtualFree(base, 0, MEM_RELEASE);
  return bitmap;
}

std::vector<uint32_t> colours_of(HBITMAP bitmap) {
  std::vector<uint32_t> pixels(4);
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), 2, -2, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  HDC screen = GetDC(nullptr);
  GetDIBits(screen, bitmap, 0, 2, pixels.data(), &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  for (uint32_t& p : pixels) p &= 0xFFFFFF;
  return pixels;
}

class BmpCodec : public ::testing::Test {
 protected:
  void SetUp() override {
    codec_table_start();
    bmp_codec_start();
    ASSERT_EQ(image_state->decoder_count, 1);
    ASSERT_NE(find_encoder(bmp_format_tag), nullptr);
  }
};

// 24-bit rows are padded to four bytes; a negative height means top-down.
TEST_F(BmpCodec, DecodesPaddedTopDownRowsAndEncodesThemBack) {
  HBITMAP bitmap = decode(bmp_file(2, -2, 24, {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0}));
  ASSERT_NE(bitmap, nullptr);
  const std::vector<uint32_t> expected = {0x030201, 0x060504, 0x090807, 0x0C0B0A};
  EXPECT_EQ(colours_of(bitmap), expected);
  int64_t size = 0;
  auto* encoded = static_cast<uint8_t*>(find_encoder(bmp_format_tag)->encode(bitmap, &size));
  ASSERT_NE(encoded, nullptr);
  HBITMAP again = decode(std::vector<uint8_t>(encoded, encoded + size));
  HeapFree(runtime.heap, 0, encoded);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(colours_of(again), expected);
  DeleteObject(bitmap);
  DeleteObject(again);
}

TEST_F(BmpCodec, RefusesFilesThatDoNotHoldTheirPixels) {
  // 2 x 2 pixels of 8 bits: the full colour table, then two padded rows.
  auto file_with = [](auto change) {
    std::vector<uint8_t> file = bmp_file(2, 2, 8, std::vector<uint8_t>(256 * 4 + 2 * 4));
    reinterpret_cast<BITMAPFILEHEADER*>(file.data())->bfOffBits += 256 * 4;
    change(file, reinterpret_cast<BITMAPINFOHEADER*>(file.data() + sizeof(BITMAPFILEHEADER)));
    return file;
  };
  HBITMAP valid = decode(file_with([](auto&, auto*) {}));
  ASSERT_NE(valid, nullptr);
  DeleteObject(valid);
  const std::vector<uint8_t> refused[] = {
      std::vector<uint8_t>(10, 'B'),
      file_with([](auto& f, auto*) { f[0] = 'X'; }),
      file_with([](auto& f, auto*) { f.pop_back(); }),  // the last row cut short
      file_with([](auto& f, auto*) { reinterpret_cast<BITMAPFILEHEADER*>(f.data())->bfOffBits = 20; }),
      file_with([](auto&, auto* i) { i->biBitCount = 7; }),
      file_with([](auto&, auto* i) { i->biWidth = 0; }),
      file_with([](auto&, auto* i) { i->biWidth = 0x7FFFFFFF; }),
      file_with([](auto&, auto* i) { i->biClrUsed = 257; }),
      file_with([](auto&, auto* i) { i->biCompression = BI_RLE8; }),
      // One 16-bit pixel right after a 44-byte header: two of its masks would lie past the end.
      file_with([](auto& f, auto* i) {
        *i = {44, 1, 1, 1, 16, BI_BITFIELDS, 0, 0, 0, 0, 0};
        reinterpret_cast<BITMAPFILEHEADER*>(f.data())->bfOffBits = sizeof(BITMAPFILEHEADER) + 44;
        f.resize(sizeof(BITMAPFILEHEADER) + 44 + 4);
      }),
  };
  for (size_t i = 0; i < std::size(refused); i++) EXPECT_EQ(decode(refused[i]), nullptr) << i;
}

}  // namespace
