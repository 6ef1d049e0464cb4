// tavrin-replay's implementation of the interpreter seam: every platform
// call is printed as one line on standard output.
#pragma once

// What readSystemLanguage answers.
void setPrintedSystemLanguage(int language);

// Whether the glide timer is armed after the calls printed so far.
bool printedGlideArmed();
