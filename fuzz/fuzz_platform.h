// What the fuzzer's seam lets the fuzz target set and see.
#pragma once

void fuzzSetSystemLanguage(int language);
bool fuzzLockHeld();
bool fuzzGlideArmed();
void fuzzResetPlatform();
void fuzzSetInGlideTick(bool inTick);
