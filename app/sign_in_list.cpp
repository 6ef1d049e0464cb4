#include "sign_in_list.h"

#include <string.h>

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// One entry of the list, without the blanks around it.
struct Entry {
  const char* start;
  size_t length;
};

// The entry that begins at *at; moves *at past it and its comma. Returns
// false at the end of the list.
bool nextEntry(const char** at, Entry* entry) {
  const char* p = *at;
  if (!*p) return false;
  while (isBlank(*p)) ++p;
  const char* end = p;
  while (*end && *end != ',') ++end;
  *at = *end ? end + 1 : end;
  while (end > p && isBlank(end[-1])) --end;
  entry->start = p;
  entry->length = static_cast<size_t>(end - p);
  return true;
}

bool sameName(const Entry& entry, const char* name) {
  if (entry.length != strlen(name)) return false;
  for (size_t i = 0; i < entry.length; ++i)
    if (lower(entry.start[i]) != lower(name[i])) return false;
  return true;
}

// Appends text to out, with a comma before it unless out is empty.
bool append(char* out, size_t size, size_t* used, const char* text, size_t length) {
  const size_t comma = *used ? 1 : 0;
  if (*used + comma + length + 1 > size) return false;
  if (comma) out[(*used)++] = ',';
  memcpy(out + *used, text, length);
  *used += length;
  out[*used] = 0;
  return true;
}

// The list without name (keep false) or with it once (keep true): the
// first mention stays where it is; without one, name goes last.
bool rebuild(const char* list, const char* name, bool keep, char* out, size_t size) {
  if (size == 0) return false;
  out[0] = 0;
  size_t used = 0;
  bool named = false;
  Entry entry;
  for (const char* at = list; nextEntry(&at, &entry);) {
    if (entry.length == 0) continue;
    if (sameName(entry, name)) {
      if (!keep || named) continue;
      named = true;
    }
    if (!append(out, size, &used, entry.start, entry.length)) return false;
  }
  if (keep && !named) return append(out, size, &used, name, strlen(name));
  return true;
}

}  // namespace

bool signInListHas(const char* list, const char* name) {
  Entry entry;
  for (const char* at = list; nextEntry(&at, &entry);)
    if (sameName(entry, name)) return true;
  return false;
}

bool addToSignInList(const char* list, const char* name, char* out, size_t size) {
  return rebuild(list, name, true, out, size);
}

bool removeFromSignInList(const char* list, const char* name, char* out, size_t size) {
  return rebuild(list, name, false, out, size);
}
