// What the fuzzer's seam lets the fuzz target set and see.
#pragma once

void fuzzSetSystemLanguage(int language);
bool fuzzLockHeld();
bool fuzzGlideArmed();
void fuzzResetPlatform();
void fuzzSetInGlideTick(bool inTick);
// Whether the system takes Unicode input (the NT family) or answers with
// ANSI codes (the Windows 95 family).
void fuzzSetUnicodeInput(bool available);
void fuzzSetCapsLock(bool on);
// A Unicode unit down without its key-up, or a high surrogate without its
// low half: a character left half typed.
bool fuzzUnicodeUnfinished();
