// The machine's sign-in list: the names of the assistive technologies that
// Windows starts at sign-in and on the secure screens, one comma-separated
// text. Portable: no Windows header, so the native unit tests run it.
#pragma once

#include <stddef.h>

// True when list names name, compared without regard to case.
bool signInListHas(const char* list, const char* name);

// Writes into out (size bytes) the list with name added at the end, unless
// the list names it already. Every other name stays, in its order; empty
// entries and a second mention of name go. Returns false when the result
// does not fit: out then holds nothing usable.
bool addToSignInList(const char* list, const char* name, char* out, size_t size);

// The same with every mention of name taken out.
bool removeFromSignInList(const char* list, const char* name, char* out, size_t size);
