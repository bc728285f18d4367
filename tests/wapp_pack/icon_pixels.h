#pragma once
// Icon 1 of an executable file as Windows loads it: the executable is mapped
// as a data file and the icon picked by LoadImageW for the size asked.
#include <windows.h>

#include <string>

// "WxH:" and the colour bitmap's BGRA pixels top-down in hex; empty when the
// icon cannot be loaded.
inline std::string icon_one_pixels(const std::wstring& path, int size) {
  HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!module) return {};
  auto icon = (HICON)LoadImageW(module, MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, 0);
  std::string out;
  ICONINFO info{};
  BITMAP bitmap{};
  if (icon && GetIconInfo(icon, &info) && GetObjectW(info.hbmColor, sizeof bitmap, &bitmap)) {
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    format.bmiHeader.biWidth = bitmap.bmWidth;
    format.bmiHeader.biHeight = -bitmap.bmHeight;  // top-down
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    std::string pixels((size_t)bitmap.bmWidth * bitmap.bmHeight * 4, '\0');
    HDC dc = GetDC(nullptr);
    if (GetDIBits(dc, info.hbmColor, 0, bitmap.bmHeight, pixels.data(), &format, DIB_RGB_COLORS) == bitmap.bmHeight) {
      out = std::to_string(bitmap.bmWidth) + "x" + std::to_string(bitmap.bmHeight) + ":";
      static const char hex[] = "0123456789abcdef";
      for (unsigned char c : pixels) out += {hex[c >> 4], hex[c & 15]};
    }
    ReleaseDC(nullptr, dc);
  }
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);
  if (icon) DestroyIcon(icon);
  FreeLibrary(module);
  return out;
}
