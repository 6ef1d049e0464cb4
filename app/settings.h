// The one configuration record, its store in the registry and Configure.
#pragma once

// Configure's sign-in choice at OK; left as it is where the dialog greyed it.
enum SignInChoice { SignInLeft, SignInOn, SignInOff };

struct Settings {
  const char* portName;   // one of the constant names: "IrDA" or ComPortNames
  unsigned baudRate;
  bool runAtStartup;
  bool autoLogon;
  bool playSounds;        // a tone when the device locks or lets go of a key or button
  char userName[257];
  char password[257];
  SignInChoice signIn;
};

// The extended character interpretation lives with the interpreter, which
// reads it for every byte: `interpretation` in interp/interp.h.
extern Settings settings;
extern int configureOpen;
extern const char IrdaPortName[];  // "IrDA"

// Loads the settings at start-up (atStartup) or runs the Configure dialog,
// then brings the serial link into line and rewrites the tray status.
// UI thread only.
void configureSettings(bool atStartup);
