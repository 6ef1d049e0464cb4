#include "held_text.h"

#include <initializer_list>

#include "../res/resource.h"
#include "held_input.h"
#include "ui_language.h"

namespace {

struct Named {
  int bit;
  int textId;
};

// In the order Windows names a shortcut's keys: Ctrl+Alt+Shift+Win.
const Named Keys[] = {{MODIFIER_CTRL, IDS_KEY_CTRL},
                      {MODIFIER_ALT, IDS_KEY_ALT},
                      {MODIFIER_SHIFT, IDS_KEY_SHIFT},
                      {MODIFIER_WIN, IDS_KEY_WIN}};
const Named Buttons[] = {{BUTTON_LEFT, IDS_BUTTON_LEFT}, {BUTTON_RIGHT, IDS_BUTTON_RIGHT},
                         {BUTTON_MIDDLE, IDS_BUTTON_MIDDLE}};

// The names of the bits set in set, joined as a shortcut's keys are
// ("Ctrl+Alt") or as a list ("left, right").
template <size_t N>
void listNames(const Named (&names)[N], int set, const wchar_t* separator, wchar_t* out, int size) {
  out[0] = 0;
  for (const Named& n : names) {
    if (!(set & n.bit)) continue;
    wchar_t name[32];
    loadText(n.textId, name, 32);
    if (out[0] && lstrlenW(out) + lstrlenW(separator) < size) lstrcatW(out, separator);
    if (lstrlenW(out) + lstrlenW(name) < size) lstrcatW(out, name);
  }
}

}  // namespace

void describeHeld(unsigned held, wchar_t* out, int size) {
  wchar_t locked[64], pending[64], buttons[64];
  listNames(Keys, heldLocked(held), L"+", locked, 64);
  listNames(Keys, heldPending(held), L"+", pending, 64);
  listNames(Buttons, heldButtons(held), L", ", buttons, 64);
  const int mix = (locked[0] ? 1 : 0) | (pending[0] ? 2 : 0) | (buttons[0] ? 4 : 0);
  if (!mix) {
    out[0] = 0;
    return;
  }
  // Each text takes the parts it names as %1, %2, %3, in this order.
  const wchar_t* parts[3];
  int count = 0;
  for (const wchar_t* part : {locked, pending, buttons})
    if (part[0]) parts[count++] = part;
  formatText(out, size, IDS_HELD_LOCKED - 1 + mix, parts[0], count > 1 ? parts[1] : L"", count > 2 ? parts[2] : L"");
}
