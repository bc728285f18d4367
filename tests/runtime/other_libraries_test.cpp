#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "runtime/core/registry.h"
#include "runtime/core/runtime_globals.h"
#include "runtime/other/alpha_blend.h"
#include "runtime/other/bmp_codec.h"
#include "runtime/other/fonts.h"
#include "runtime/other/images.h"
#include "runtime/other/kernel_objects.h"
#include "runtime/other/menus.h"
#include "runtime/other/tray_icons.h"
#include "support/runtime_environment.h"

namespace {

HBITMAP new_bitmap() { return CreateBitmap(2, 2, 1, 32, nullptr); }

HICON new_icon() {
  BYTE and_mask[4 * 4] = {}, xor_mask[4 * 4] = {};
  return CreateIcon(nullptr, 4, 4, 1, 1, and_mask, xor_mask);
}

bool icon_exists(HICON icon) {
  ICONINFO info;
  if (!GetIconInfo(icon, &info)) return false;
  DeleteObject(info.hbmMask);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  return true;
}

TEST(OtherLibraries, FontsAreDeletedNumberedAndDynamicAlike) {
  font_library_start();
  EXPECT_EQ(font_dpi, 96);
  HFONT fonts[3];
  for (HFONT& f : fonts) f = CreateFontW(12, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, L"Arial");
  static_cast<font_record*>(obtain_slot(font_registry, 3))->handle = fonts[0];
  static_cast<font_record*>(obtain_slot(font_registry, 1))->handle = fonts[1];
  auto* dynamic = static_cast<font_record*>(obtain_slot(font_registry, any_number));
  dynamic->handle = fonts[2];

  free_font(3);
  EXPECT_EQ(GetObjectType(fonts[0]), 0u);
  EXPECT_EQ(find_object(font_registry, 3), nullptr);
  EXPECT_EQ(GetObjectType(fonts[1]), (DWORD)OBJ_FONT);
  free_font(3);  // a second release finds nothing

  font_library_stop();
  EXPECT_EQ(GetObjectType(fonts[1]), 0u);
  EXPECT_EQ(GetObjectType(fonts[2]), 0u);
  EXPECT_EQ(find_object(font_registry, 1), nullptr);
}

TEST(Dpi144OtherLibraries, FontDpiIsTheDisplays) {
  font_library_start();
  EXPECT_EQ(font_dpi, 144);
}

TEST(OtherLibraries, ImagesFreeBitmapAndIconFramesAndTheirList) {
  image_library_start();
  HBITMAP single = new_bitmap();
  static_cast<image_record*>(obtain_slot(image_registry, 0))->frame = single;

  HBITMAP bitmap_frame = new_bitmap();
  HICON icon_frame = new_icon();
  auto* animated = static_cast<image_record*>(obtain_slot(image_registry, 1));
  animated->frames = static_cast<HANDLE*>(HeapAlloc(runtime.heap, 0, 2 * sizeof(HANDLE)));
  animated->frames[0] = animated->frame = bitmap_frame;
  animated->frames[1] = icon_frame;
  animated->frame_count = 2;
  ASSERT_TRUE(icon_exists(icon_frame));

  image_library_stop();
  EXPECT_EQ(GetObjectType(single), 0u);
  EXPECT_EQ(GetObjectType(bitmap_frame), 0u);
  EXPECT_FALSE(icon_exists(icon_frame));
  EXPECT_TRUE(HeapValidate(runtime.heap, 0, nullptr));
}

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window_, nullptr);
  }
  void TearDown() override { DestroyWindow(window_); }
  HWND window_ = nullptr;
};

TEST_F(WindowTest, TrayIconRemovalTakesIconAndOnlyItsOwnProperty) {
  tray_library_start();
  EXPECT_EQ(taskbar_created_message, RegisterWindowMessageW(L"TaskbarCreated"));
  SetPropW(window_, L"TiloSysTray7", (HANDLE)1);
  SetPropW(window_, L"TiloSysTray8", (HANDLE)1);
  auto* tray = static_cast<tray_icon_record*>(obtain_slot(tray_registry, 2));
  tray->window = window_;
  tray->icon = new_icon();
  tray->id = 7;

  tray_library_stop();
  EXPECT_EQ(GetPropW(window_, L"TiloSysTray7"), nullptr);
  EXPECT_NE(GetPropW(window_, L"TiloSysTray8"), nullptr);
  EXPECT_FALSE(icon_exists(tray->icon));
  EXPECT_EQ(find_object(tray_registry, 2), nullptr);
}

TEST_F(WindowTest, MenusAreDetachedOnlyFromTheWindowStillShowingThem) {
  menu_library_start();
  HMENU shown = CreateMenu(), replaced = CreateMenu(), other = CreateMenu();
  AppendMenuW(shown, MF_STRING, 1, L"File");
  SetMenu(window_, shown);
  auto* m = static_cast<menu_record*>(obtain_slot(menu_registry, 0));
  *m = {shown, window_, HeapCreate(0, 4096, 0)};
  free_menu(0);
  EXPECT_EQ(GetMenu(window_), nullptr);
  EXPECT_FALSE(IsMenu(shown));

  SetMenu(window_, other);
  m = static_cast<menu_record*>(obtain_slot(menu_registry, 0));
  *m = {replaced, window_, nullptr};
  free_menu(any_number);
  EXPECT_EQ(GetMenu(window_), other);
  EXPECT_FALSE(IsMenu(replaced));
}

TEST(OtherLibraries, HandleObjectsCloseTheirHandle) {
  handle_library_start();
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  static_cast<handle_record*>(obtain_slot(handle_registry, any_number))->handle = event;
  free_handle_object(any_number);
  DWORD flags;
  EXPECT_FALSE(GetHandleInformation(event, &flags));
}

TEST(OtherLibraries, ThreadSlotAndAlphaBlend) {
  thread_slot_start();
  ASSERT_NE(runtime.thread_slot, TLS_OUT_OF_INDEXES);
  EXPECT_TRUE(TlsSetValue(runtime.thread_slot, (void*)42));
  alpha_blend_start();
  EXPECT_NE(alpha_blending.alpha_blend, nullptr);
  alpha_blend_stop();
  EXPECT_EQ(alpha_blending.library, nullptr);
  EXPECT_EQ(alpha_blending.alpha_blend, nullptr);
}

// A BMP file: header, info header and pixel rows, with `rows` as given.
std::vector<uint8_t> bmp_file(int32_t width, int32_t height, int bits, const std::vector<uint8_t>& rows) {
  BITMAPFILEHEADER head = {0x4D42, 0, 0, 0, sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)};
  BITMAPINFOHEADER info = {sizeof(info), width, height, 1, (WORD)bits, BI_RGB, 0, 0, 0, 0, 0};
  std::vector<uint8_t> file(sizeof(head) + sizeof(info) + rows.size());
  memcpy(file.data(), &head, sizeof(head));
  memcpy(file.data() + sizeof(head), &info, sizeof(info));
  std::copy(rows.begin(), rows.end(), file.begin() + sizeof(head) + sizeof(info));
  return file;
}

std::vector<uint32_t> pixels_of(HBITMAP bitmap, int32_t width, int32_t height) {
  std::vector<uint32_t> pixels(width * height);
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  HDC screen = GetDC(nullptr);
  GetDIBits(screen, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  return pixels;
}

class BmpCodec : public ::testing::Test {
 protected:
  void SetUp() override {
    codec_table_start();
    bmp_codec_start();
    decoder_ = find_decoder(bmp_format_tag);
    encoder_ = find_encoder(bmp_format_tag);
    ASSERT_NE(decoder_, nullptr);
    ASSERT_NE(encoder_, nullptr);
  }
  HBITMAP decode(const std::vector<uint8_t>& file) {
    void* opened = decoder_->open(file.data(), (int64_t)file.size());
    if (!opened) return nullptr;
    HBITMAP bitmap = decoder_->decode(opened);
    decoder_->release(opened);
    return bitmap;
  }
  const image_decoder* decoder_ = nullptr;
  const image_encoder* encoder_ = nullptr;
};

TEST_F(BmpCodec, RegistersOneDecoderAndOneEncoder) {
  EXPECT_EQ(image_state->decoder_count, 1);
  EXPECT_EQ(image_state->encoder_count, 1);
  EXPECT_EQ(find_decoder(0x474E50), nullptr);  // "PNG"
}

// 24-bit rows are padded to four bytes, and a negative height is top-down.
TEST_F(BmpCodec, DecodesPaddedTopDownRowsAndEncodesThemBack) {
  std::vector<uint8_t> rows = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0, 0,   // row 0: two pixels, padding
                               0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0, 0};  // row 1
  HBITMAP bitmap = decode(bmp_file(2, -2, 24, rows));
  ASSERT_NE(bitmap, nullptr);
  const std::vector<uint32_t> expected = {0x030201, 0x060504, 0x090807, 0x0C0B0A};
  auto masked = [](std::vector<uint32_t> p) {
    for (uint32_t& v : p) v &= 0xFFFFFF;
    return p;
  };
  EXPECT_EQ(masked(pixels_of(bitmap, 2, 2)), expected);

  int64_t size = 0;
  auto* encoded = static_cast<uint8_t*>(encoder_->encode(bitmap, &size));
  ASSERT_NE(encoded, nullptr);
  std::vector<uint8_t> file(encoded, encoded + size);
  HeapFree(runtime.heap, 0, encoded);
  HBITMAP again = decode(file);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(masked(pixels_of(again, 2, 2)), expected);
  DeleteObject(bitmap);
  DeleteObject(again);
}

TEST_F(BmpCodec, RefusesFilesThatDoNotHoldTheirPixels) {
  // A 2 x 2 file of 8-bit pixels: the full colour table, then two padded rows.
  auto with = [](auto change) {
    std::vector<uint8_t> file = bmp_file(2, 2, 8, std::vector<uint8_t>(256 * 4 + 2 * 4));
    reinterpret_cast<BITMAPFILEHEADER*>(file.data())->bfOffBits += 256 * 4;
    change(file, reinterpret_cast<BITMAPINFOHEADER*>(file.data() + sizeof(BITMAPFILEHEADER)));
    return file;
  };
  const std::vector<uint8_t> valid = with([](auto&, auto*) {});
  void* opened = decoder_->open(valid.data(), (int64_t)valid.size());
  ASSERT_NE(opened, nullptr);
  decoder_->release(opened);
  const std::vector<uint8_t> refused[] = {
      std::vector<uint8_t>(10, 'B'),
      with([](auto& f, auto*) { f[0] = 'X'; }),
      with([](auto& f, auto*) { f.resize(f.size() - 1); }),  // last row cut short
      with([](auto& f, auto*) { reinterpret_cast<BITMAPFILEHEADER*>(f.data())->bfOffBits = 20; }),
      with([](auto&, auto* i) { i->biBitCount = 7; }),
      with([](auto&, auto* i) { i->biWidth = 0; }),
      with([](auto&, auto* i) { i->biWidth = 0x7FFFFFFF; }),
      with([](auto&, auto* i) { i->biClrUsed = 257; }),
      with([](auto&, auto* i) { i->biCompression = BI_RLE8; }),
  };
  for (size_t i = 0; i < std::size(refused); i++) {
    SCOPED_TRACE(i);
    EXPECT_EQ(decoder_->open(refused[i].data(), (int64_t)refused[i].size()), nullptr);
  }
}

}  // namespace
