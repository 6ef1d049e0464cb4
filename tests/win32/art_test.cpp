// The icons and the splash bitmap as the system's own loader reads them.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace {

// The test runs under Wine, whose drive Z: is the Unix root.
std::string artFile(const char* name) { return std::string("Z:" TAVRIN_RES_DIR "/") + name; }

// The alpha of every pixel of the colour image, row by row from the top.
// An image without an alpha channel reads as 0 throughout.
std::vector<int> alphaOf(HBITMAP colour, int size) {
  BITMAPINFO format{};
  format.bmiHeader.biSize = sizeof format.bmiHeader;
  format.bmiHeader.biWidth = size;
  format.bmiHeader.biHeight = -size;
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  std::vector<DWORD> pixels(size * size);
  HDC screen = GetDC(nullptr);
  GetDIBits(screen, colour, 0, size, pixels.data(), &format, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  std::vector<int> alpha;
  for (DWORD pixel : pixels) alpha.push_back(static_cast<int>(pixel >> 24));
  return alpha;
}

// Every size from 100 % to 200 % and the large one, each with its alpha
// channel, as the system's loader picks them out of the file.
TEST(Art, IconsCarryEverySizeIn32BitsWithAlpha) {
  for (const char* name : {"tavrin.ico", "tray.ico"}) {
    for (int size : {16, 20, 24, 32, 40, 48, 64, 256}) {
      SCOPED_TRACE(std::string(name) + " at " + std::to_string(size));
      HICON icon = static_cast<HICON>(LoadImageA(nullptr, artFile(name).c_str(), IMAGE_ICON, size, size, LR_LOADFROMFILE));
      ASSERT_NE(icon, nullptr);
      ICONINFO info{};
      ASSERT_TRUE(GetIconInfo(icon, &info));
      BITMAP colour{};
      ASSERT_TRUE(GetObjectA(info.hbmColor, sizeof colour, &colour));
      EXPECT_EQ(colour.bmWidth, size);
      std::vector<int> alpha = alphaOf(info.hbmColor, size);
      EXPECT_EQ(alpha[size / 2 * size + size / 2], 255) << "the middle is opaque";
      EXPECT_LT(alpha[0], 16) << "the top left corner is clear";
      DeleteObject(info.hbmColor);
      DeleteObject(info.hbmMask);
      DestroyIcon(icon);
    }
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
