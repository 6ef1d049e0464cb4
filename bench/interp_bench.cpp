// Bytes per second through onLinkByte.
#include <benchmark/benchmark.h>

#include <string>

#include "interp.h"

namespace {

const std::string PlainText =
    "The quick brown fox jumps over the lazy dog. Pack my box with five dozen liquor jugs!\r";

// Named keys and modifier commands, as a device's computer page sends them.
const std::string NamedKeysAndModifiers =
    "\x1b" "enter.\x1b" "kphome.\x1b" "PageDown.\x1b-f12.\x1b" "leftwinkey.\x1b" "backspace."
    "\x1b,lock,ctrl.c\x1b,rel.\x1b,hold,shift.a\x1b,combine,ctrl,alt,del.\x1b,lock,alt,shift.x\x1b,rel,alt,shift.";

// UTF-8 text in the Unicode setting: two-, three- and four-byte characters
// between plain letters.
const std::string UnicodeText = "Caf\xc3\xa9 cr\xc3\xa8me br\xc3\xbbl\xc3\xa9" "e \xe2\x82\xac" "5 "
                                "\xd0\xb6\xd0\xb8\xd0\xb7\xd0\xbd\xd1\x8c \xf0\x9f\x98\x80!\r";

void feedStream(benchmark::State& state, const std::string& stream) {
  for (auto _ : state)
    for (unsigned char b : stream) onLinkByte(b);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(stream.size()));
}

void PlainTextBytes(benchmark::State& state) { feedStream(state, PlainText); }
void NamedKeysAndModifierCommandBytes(benchmark::State& state) { feedStream(state, NamedKeysAndModifiers); }

void UnicodeTextBytes(benchmark::State& state) {
  interpretation = 2;
  feedStream(state, UnicodeText);
  interpretation = 1;
}

BENCHMARK(PlainTextBytes);
BENCHMARK(UnicodeTextBytes);
BENCHMARK(NamedKeysAndModifierCommandBytes);

}  // namespace

BENCHMARK_MAIN();
