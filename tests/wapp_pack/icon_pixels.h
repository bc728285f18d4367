#pragma once
// Icon 1 and the version resource of an executable file as Windows reads
// them: the executable mapped as a data file and the icon picked by
// LoadImageW for the size asked; the version through the version library.
#include <windows.h>

#include "runtime/core/utf16.h"

#include <string>
#include <vector>

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

// The sizes of icon 1's images, as its group lists them: "16 20 ... 256".
inline std::string icon_one_sizes(const std::wstring& path) {
  HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  HRSRC group = module ? FindResourceW(module, MAKEINTRESOURCEW(1), RT_GROUP_ICON) : nullptr;
  std::string sizes;
  if (group) {
    auto* bytes = (const unsigned char*)LockResource(LoadResource(module, group));
    for (int i = 0, count = bytes[4] | bytes[5] << 8; i < count; i++) {
      if (i) sizes += ' ';
      sizes += std::to_string(bytes[6 + 14 * i] ? bytes[6 + 14 * i] : 256);
    }
  }
  if (module) FreeLibrary(module);
  return sizes;
}

// "2.5.1.0", then "Name=value" for each text of the version resource's
// first language, one a line, in UTF-8.
inline std::string version_texts(const std::wstring& path) {
  DWORD ignored = 0, size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  std::vector<char> data(size);
  if (!size || !GetFileVersionInfoW(path.c_str(), 0, size, data.data())) return {};
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(data.data(), L"\\", (void**)&fixed, &length)) return {};
  std::string out = std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionMS)) +
                    "." + std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionLS));
  WORD* translation = nullptr;
  if (!VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", (void**)&translation, &length) || length < 4) return out;
  wchar_t table[40];
  swprintf(table, 40, L"\\StringFileInfo\\%04X%04X\\", translation[0], translation[1]);
  for (const wchar_t* name : {L"CompanyName", L"FileDescription", L"FileVersion", L"InternalName", L"LegalCopyright",
                              L"OriginalFilename", L"ProductName", L"ProductVersion"}) {
    wchar_t* value = nullptr;
    if (!VerQueryValueW(data.data(), (std::wstring(table) + name).c_str(), (void**)&value, &length) || !length) continue;
    out.append(1, '\n').append(utf8_of(name)).append(1, '=').append(utf8_of(value));
  }
  return out;
}
