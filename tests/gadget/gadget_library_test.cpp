// The library's font: the system's message font, kept at 96 dpi by the stop
// step, which also destroys the auxiliary window.
#include "runtime/window/display_scale.h"
#include "test_gadgets.h"

TEST(GadgetLibrary, StopKeepsTheMessageFontAt96Dpi) {
  ASSERT_EQ(display_scale.dpi_x, 96);
  HFONT font = default_gadget_font;
  EXPECT_EQ(GetObjectType(font), (DWORD)OBJ_FONT);
  EXPECT_NE(font, GetStockObject(DEFAULT_GUI_FONT)) << "the metrics query failed";
  HWND auxiliary = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 1, 1, nullptr, nullptr, runtime.instance, nullptr);
  gadget_state->auxiliary_window = auxiliary;
  gadget_library_stop();
  EXPECT_FALSE(IsWindow(auxiliary));
  EXPECT_EQ(GetObjectType(font), (DWORD)OBJ_FONT);
}
