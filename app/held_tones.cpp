#include "held_tones.h"

#include <windows.h>
#include <mmsystem.h>

#include <cmath>
#include <cstring>

#include "held_input.h"

HeldTone toneFor(unsigned before, unsigned after) {
  const unsigned lockedOrDown = heldLocked(after) | heldButtons(after) << 8;
  const unsigned wasLockedOrDown = heldLocked(before) | heldButtons(before) << 8;
  if (lockedOrDown & ~wasLockedOrDown) return TONE_LOCKED;
  if (heldPending(after) & ~heldPending(before)) return TONE_PENDING;
  if (wasLockedOrDown & ~lockedOrDown) return TONE_RELEASED;
  return TONE_NONE;
}

namespace {

const int RATE = 22050;
const int MAX_SAMPLES = RATE * 150 / 1000;
// A ramp at each end of a note keeps it from clicking.
const int RAMP = RATE * 5 / 1000;

// A wave file in memory: PlaySound reads it in place while it plays, so
// each tone keeps its own.
struct Wave {
  char header[44];
  short samples[MAX_SAMPLES];
};

struct Note {
  int hz, ms;
};

void put32(char* at, unsigned value) { std::memcpy(at, &value, 4); }
void put16(char* at, unsigned short value) { std::memcpy(at, &value, 2); }

int writeNote(short* out, Note note) {
  const int count = RATE * note.ms / 1000;
  for (int i = 0; i < count; ++i) {
    const int edge = i < count - i ? i : count - i;
    const double level = edge < RAMP ? static_cast<double>(edge) / RAMP : 1.0;
    out[i] = static_cast<short>(9000 * level * std::sin(2 * 3.14159265358979 * note.hz * i / RATE));
  }
  return count;
}

void makeWave(Wave& wave, const Note* notes, int count) {
  int samples = 0;
  for (int i = 0; i < count; ++i) samples += writeNote(wave.samples + samples, notes[i]);
  const unsigned bytes = static_cast<unsigned>(samples) * 2;
  char* h = wave.header;
  std::memcpy(h, "RIFF", 4);
  put32(h + 4, 36 + bytes);
  std::memcpy(h + 8, "WAVEfmt ", 8);
  put32(h + 16, 16);
  put16(h + 20, 1);  // PCM
  put16(h + 22, 1);  // mono
  put32(h + 24, RATE);
  put32(h + 28, RATE * 2);
  put16(h + 32, 2);
  put16(h + 34, 16);
  std::memcpy(h + 36, "data", 4);
  put32(h + 40, bytes);
}

Wave rising, falling, low;

void makeWaves() {
  static bool made = false;
  if (made) return;
  made = true;
  const Note up[] = {{660, 60}, {990, 70}};
  const Note down[] = {{990, 60}, {660, 70}};
  const Note shortLow[] = {{392, 50}};
  makeWave(rising, up, 2);
  makeWave(falling, down, 2);
  makeWave(low, shortLow, 1);
}

}  // namespace

void playTone(HeldTone tone) {
  if (tone == TONE_NONE) return;
  makeWaves();
  const Wave& wave = tone == TONE_LOCKED ? rising : tone == TONE_PENDING ? low : falling;
  // Without a sound device there is nothing to do: the icon and the
  // tooltip say the same.
  PlaySoundW(reinterpret_cast<LPCWSTR>(&wave), nullptr, SND_MEMORY | SND_ASYNC | SND_NODEFAULT);
}
