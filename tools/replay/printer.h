// tavrin-replay's implementation of the interpreter seam: every platform
// call is printed as one line on standard output.
#pragma once

// What readSystemLanguage answers.
void setPrintedSystemLanguage(int language);

// Whether Caps Lock is on at the start; a press of its key toggles it.
void setPrintedCapsLock(bool on);

// Whether the glide timer is armed after the calls printed so far.
bool printedGlideArmed();
