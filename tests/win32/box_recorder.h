// Watches the dialogs of the test's own thread: every message box is
// recorded (text, caption, icon) and dismissed; the Configure dialog gets
// the command the test asks for.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

enum BoxIcon { BOX_NO_ICON, BOX_INFORMATION, BOX_WARNING, BOX_OTHER_ICON };

struct RecordedBox {
  std::string text;
  std::string caption;
  BoxIcon icon;
};

class BoxRecorder {
public:
  // configureCommand: posted to the Configure dialog when it activates
  // (IDOK, IDCANCEL), 0 to leave it alone.
  explicit BoxRecorder(WPARAM configureCommand = 0);
  ~BoxRecorder();
  std::vector<RecordedBox> boxes;
  int configureShown = 0;

private:
  static LRESULT CALLBACK hook(int code, WPARAM wParam, LPARAM lParam);
  HHOOK handle;
  WPARAM configureCommand;
};

// Shorthand for expectations.
RecordedBox warningBox(const std::string& text);
RecordedBox noticeBox(const std::string& text, const std::string& caption);
bool operator==(const RecordedBox& a, const RecordedBox& b);
void PrintTo(const RecordedBox& box, std::ostream* out);

// Processes the thread's pending messages for about `ms` milliseconds.
void pumpMessages(int ms);
