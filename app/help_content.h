// The help page's text pieces and its two pictures, as carried by the
// program. Generated at build time from res/help/ and res/*.gif, byte for
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

extern const HelpBlob CurrentGif;
extern const HelpBlob MenuGif;

// The version of the program that carries them ("2.1.0"): the page records
// it, and a newer program replaces an older page.
extern const char HelpPageVersion[];
