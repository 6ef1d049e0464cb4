// Byte intake: the escape-sequence assembler, the modifier commands and the
// dispatch of finished tokens.
#pragma once

// The longest escape sequence kept; a longer one is cut there.
const int COMMAND_LIMIT = 62;

// 0 normal, 1 inside an escape sequence.
const int ASSEMBLER_NORMAL = 0;
const int ASSEMBLER_ESCAPE = 1;
extern int assemblerState;

// In the escape state the sequence collected so far, NUL-terminated; in the
// normal state the one-character token just produced.
extern char CommandBuffer[64];
// Where the sequence starts (always 0 when it is evaluated) and where the
// next collected byte goes (0..COMMAND_LIMIT).
extern int commandStart;
extern int writePos;

// Feeds one byte. Returns the token it completes (the text of CommandBuffer,
// valid until the next byte; possibly empty) or nullptr when the byte only
// belongs to a sequence. Runs the modifier commands ",lock", ",rel",
// ",hold," and ",combine," itself.
const char* SequenceAssembler(unsigned char byte);

// Types a non-empty token: a mouse command, an extended character or a key.
void dispatchToken(const char* token);

// Back to the normal state with an empty buffer, as at start-up.
void resetSequenceAssembler();
