// The icons and the splash bitmap as the system's own loader reads them.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

namespace {

// The test runs under Wine, whose drive Z: is the Unix root.
std::string artFile(const char* name) { return std::string("Z:" TAVRIN_RES_DIR "/") + name; }

std::string readFile(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "";
  std::string content(1 << 16, '\0');
  DWORD got = 0;
  ReadFile(file, &content[0], static_cast<DWORD>(content.size()), &got, nullptr);
  CloseHandle(file);
  content.resize(got);
  return content;
}

// The bits per pixel of an icon file's first image, from its own header.
int iconBitsPerPixel(const std::string& icon) {
  if (icon.size() < 22) return 0;
  DWORD offset;
  std::memcpy(&offset, icon.data() + 18, sizeof offset);
  if (icon.size() < offset + sizeof(BITMAPINFOHEADER)) return 0;
  BITMAPINFOHEADER header;
  std::memcpy(&header, icon.data() + offset, sizeof header);
  return header.biBitCount;
}

TEST(Art, IconsLoadAt32By32With16Colours) {
  for (const char* name : {"tavrin.ico", "tray.ico"}) {
    HICON icon = static_cast<HICON>(LoadImageA(nullptr, artFile(name).c_str(), IMAGE_ICON, 32, 32, LR_LOADFROMFILE));
    ASSERT_NE(icon, nullptr) << name;
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info)) << name;
    BITMAP colour{};
    ASSERT_TRUE(GetObjectA(info.hbmColor, sizeof colour, &colour)) << name;
    EXPECT_EQ(colour.bmWidth, 32) << name;
    EXPECT_EQ(colour.bmHeight, 32) << name;
    EXPECT_EQ(iconBitsPerPixel(readFile(artFile(name))), 4) << name << ": 16 colours take 4 bits";
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(icon);
  }
}

TEST(Art, SplashLoadsAs400By239With8BitsPerPixel) {
  HBITMAP splash = static_cast<HBITMAP>(
      LoadImageA(nullptr, artFile("splash.bmp").c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
  ASSERT_NE(splash, nullptr);
  DIBSECTION dib{};
  ASSERT_EQ(GetObjectA(splash, sizeof dib, &dib), static_cast<int>(sizeof dib));
  EXPECT_EQ(dib.dsBmih.biWidth, 400);
  EXPECT_EQ(dib.dsBmih.biHeight, 239);
  EXPECT_EQ(dib.dsBmih.biBitCount, 8);
  EXPECT_EQ(dib.dsBmih.biCompression, static_cast<DWORD>(BI_RGB));
  DeleteObject(splash);
}

}  // namespace
