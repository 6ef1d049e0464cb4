#include "held_icon.h"

#include "../res/resource.h"
#include "held_input.h"
#include "ui_language.h"

namespace {

struct Cell {
  wchar_t letter;  // 0 for the mouse
  bool locked;     // locked key or held button, else held for the next key
};

struct Colours {
  COLORREF lockedBack, lockedFore, pendingBack, pendingFore;
};

// White on dark red is 7.7:1, black on amber 13:1; both stand out on a
// light or a dark taskbar.
const Colours Plain = {RGB(176, 0, 0), RGB(255, 255, 255), RGB(255, 200, 0), RGB(0, 0, 0)};

// The theme's window colours reversed, so that a key held for the next key
// stands out from a taskbar drawn in the window colour.
Colours themeColours() {
  return {GetSysColor(COLOR_HIGHLIGHT), GetSysColor(COLOR_HIGHLIGHTTEXT), GetSysColor(COLOR_WINDOWTEXT),
          GetSysColor(COLOR_WINDOW)};
}

const struct {
  ModifierSet bit;
  int nameId;
} Keys[] = {{MODIFIER_CTRL, IDS_KEY_CTRL}, {MODIFIER_ALT, IDS_KEY_ALT}, {MODIFIER_SHIFT, IDS_KEY_SHIFT},
            {MODIFIER_WIN, IDS_KEY_WIN}};

int heldCells(unsigned held, Cell (&cells)[5]) {
  int n = 0;
  for (const auto& key : Keys) {
    const bool locked = heldLocked(held) & key.bit;
    if (!locked && !(heldPending(held) & key.bit)) continue;
    wchar_t name[32] = L"?";
    loadText(key.nameId, name, 32);
    cells[n++] = {name[0], locked};
  }
  if (heldButtons(held)) cells[n++] = {0, true};
  return n;
}

// One cell fills the icon and two stand side by side; more fill two rows,
// the upper one taking the odd cell, so no part of the icon is left empty.
RECT cellRect(int index, int count, int size) {
  if (count <= 2) return {size * index / count, 0, size * (index + 1) / count, size};
  const int upper = (count + 1) / 2;
  const int row = index < upper ? 0 : 1;
  const int columns = row == 0 ? upper : count - upper;
  const int column = row == 0 ? index : index - upper;
  return {size * column / columns, size * row / 2, size * (column + 1) / columns, size * (row + 1) / 2};
}

void fill(HDC dc, const RECT& r, COLORREF colour) {
  HBRUSH brush = CreateSolidBrush(colour);
  if (!brush) return;
  FillRect(dc, &r, brush);
  DeleteObject(brush);
}

void drawLetter(HDC dc, RECT r, wchar_t letter, COLORREF colour) {
  const int height = r.bottom - r.top;
  // As tall as the cell; a narrow cell keeps the letter's width inside it.
  const int width = r.right - r.left;
  const int fontHeight = width * 3 / 2 < height ? width * 3 / 2 : height;
  HFONT font = CreateFontW(-fontHeight, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH, L"Tahoma");
  HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
  SetTextColor(dc, colour);
  SetBkMode(dc, TRANSPARENT);
  DrawTextW(dc, &letter, 1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
  if (old) SelectObject(dc, old);
  if (font) DeleteObject(font);
}

// A mouse seen from above: its body, the line between its two buttons and
// the one under them; a held button is filled.
void drawMouse(HDC dc, const RECT& cell, int buttons, COLORREF colour) {
  const int w = cell.right - cell.left, h = cell.bottom - cell.top;
  const int unit = (w < h ? w : h) / 8 > 0 ? (w < h ? w : h) / 8 : 1;
  // Inside the cell, so its outline never meets the taskbar.
  RECT body = {cell.left + w / 2 - 5 * unit / 2, cell.top + h / 2 - 7 * unit / 2, cell.left + w / 2 + 5 * unit / 2,
               cell.top + h / 2 + 7 * unit / 2};
  const int midX = (body.left + body.right) / 2, midY = body.top + (body.bottom - body.top) * 9 / 20;
  if (buttons & BUTTON_LEFT) fill(dc, {body.left, body.top, midX, midY}, colour);
  if (buttons & BUTTON_RIGHT) fill(dc, {midX, body.top, body.right, midY}, colour);
  if (buttons & BUTTON_MIDDLE) fill(dc, {midX - unit, body.top, midX + unit, midY}, colour);
  HPEN pen = CreatePen(PS_SOLID, unit, colour);
  HGDIOBJ oldPen = pen ? SelectObject(dc, pen) : nullptr;
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
  RoundRect(dc, body.left, body.top, body.right, body.bottom, 3 * unit, 3 * unit);
  MoveToEx(dc, body.left, midY, nullptr);
  LineTo(dc, body.right, midY);
  MoveToEx(dc, midX, body.top, nullptr);
  LineTo(dc, midX, midY);
  SelectObject(dc, oldBrush);
  if (oldPen) SelectObject(dc, oldPen);
  if (pen) DeleteObject(pen);
}

void drawCells(HDC dc, unsigned held, int size, const Colours& colours) {
  Cell cells[5];
  const int count = heldCells(held, cells);
  for (int i = 0; i < count; ++i) {
    const RECT r = cellRect(i, count, size);
    const COLORREF back = cells[i].locked ? colours.lockedBack : colours.pendingBack;
    const COLORREF fore = cells[i].locked ? colours.lockedFore : colours.pendingFore;
    fill(dc, r, back);
    if (cells[i].letter)
      drawLetter(dc, r, cells[i].letter, fore);
    else
      drawMouse(dc, r, heldButtons(held), fore);
  }
}

}  // namespace

HICON makeHeldIcon(unsigned held, int size, bool highContrast) {
  if (!held || size <= 0) return nullptr;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP colour = CreateCompatibleBitmap(screen, size, size);
  // An all-zero mask: every pixel is the colour bitmap's.
  HBITMAP mask = CreateBitmap(size, size, 1, 1, nullptr);
  HICON icon = nullptr;
  if (dc && colour && mask) {
    HGDIOBJ old = SelectObject(dc, colour);
    drawCells(dc, held, size, highContrast ? themeColours() : Plain);
    SelectObject(dc, mask);
    PatBlt(dc, 0, 0, size, size, BLACKNESS);
    SelectObject(dc, old);
    ICONINFO info = {TRUE, 0, 0, mask, colour};
    icon = CreateIconIndirect(&info);
  }
  if (mask) DeleteObject(mask);
  if (colour) DeleteObject(colour);
  if (dc) DeleteDC(dc);
  if (screen) ReleaseDC(nullptr, screen);
  return icon;
}
