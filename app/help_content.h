// The help page's text pieces and its two pictures in every language, as
// carried by the program. Generated at build time from res/help/, byte for
// byte.
#pragma once

#include <cstddef>

struct HelpBlob {
  const unsigned char* data;
  size_t size;
};

// Per language (in the order of uiLanguageCodes, English first), written
// one after the other, nothing between them, into the page.
const int HELP_LANGUAGE_COUNT = 7;
const int HELP_PIECE_COUNT = 4;
extern const HelpBlob HelpPagePieces[HELP_LANGUAGE_COUNT][HELP_PIECE_COUNT];

// A picture under the file name its page gives it.
struct HelpPicture {
  const char* name;
  HelpBlob bytes;
};

// Per language, the tray with the open port's tooltip and with the tray
// menu, each taken from the program in that language. Each language names
// them its own way ("current.gif" in English, "current-de.gif" in German),
// so that a page never shows another language's pictures, not even a copy
// a browser kept.
const int HELP_PICTURE_COUNT = 2;
extern const HelpPicture HelpPictures[HELP_LANGUAGE_COUNT][HELP_PICTURE_COUNT];

// The version of the program that carries them ("2.1.0"): the page records
// it, and a newer program replaces an older page.
extern const char HelpPageVersion[];
