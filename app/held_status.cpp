#include "held_status.h"

#include "app_windows.h"
#include "held_icon.h"
#include "held_text.h"
#include "held_tones.h"
#include "messages.h"
#include "settings.h"
#include "tray_status.h"

namespace {

// What the tray shows, when it last changed, and the icon drawn for it.
unsigned shownHeld = 0;
DWORD shownAt = 0;
HICON heldIcon = nullptr;

bool highContrast() {
  HIGHCONTRASTW setting = {};
  setting.cbSize = sizeof setting;
  return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof setting, &setting, 0) &&
         (setting.dwFlags & HCF_HIGHCONTRASTON);
}

void showIcon(const wchar_t* sentence) {
  HICON previous = heldIcon;
  heldIcon = makeHeldIcon(shownHeld, GetSystemMetrics(SM_CXSMICON), highContrast());
  showTrayHeld(sentence, heldIcon);
  // Only once the shell has the new one.
  if (previous) DestroyIcon(previous);
}

void show(unsigned held) {
  if (held == shownHeld) return;
  if (settings.playSounds) playTone(toneFor(shownHeld, held));
  shownHeld = held;
  shownAt = GetTickCount();
  wchar_t sentence[128];
  describeHeld(held, sentence, 128);
  showIcon(sentence);
}

}  // namespace

void onHeldStateNotice(HWND window) {
  const unsigned held = takeHeldState();
  const DWORD age = GetTickCount() - shownAt;
  if (held == 0 || age >= TIMER_HELD_STATE_MS) {
    KillTimer(window, TIMER_HELD_STATE);
    show(held);
  } else {
    SetTimer(window, TIMER_HELD_STATE, TIMER_HELD_STATE_MS - age, nullptr);
  }
}

void onHeldStateTimer(HWND window) {
  KillTimer(window, TIMER_HELD_STATE);
  show(takeHeldState());
}

void redrawHeldIcon() {
  if (!shownHeld) return;
  wchar_t sentence[128];
  describeHeld(shownHeld, sentence, 128);
  showIcon(sentence);
}
