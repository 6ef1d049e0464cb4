// tavrin-replay: feeds the bytes of a device stream to the interpreter, one
// by one, and prints every platform call it makes.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "interp.h"
#include "layout_file.h"
#include "printer.h"
#include "unicode_text.h"

namespace {

const int EXIT_USAGE = 2;

const char Usage[] =
    "Usage: tavrin-replay [options] [file]\n"
    "\n"
    "Feeds the bytes of file (standard input when no file is named) to the\n"
    "interpreter one by one, as if a communication device had sent them, and\n"
    "prints every platform call it makes, one line each, in order:\n"
    "\n"
    "  key down vk=0x41 scan=0x1e flags=0x0 extra=0x001e0001   keybd_event\n"
    "  key up vk=0x41 scan=0x1e flags=0x2 extra=0xc01e0001\n"
    "  unicode down u=0x00e9, unicode up u=0x00e9   one UTF-16 unit as Unicode input\n"
    "  yield                                  the zero-length Sleep after a key event\n"
    "  mouse flags=0x0002 dx=0 dy=0          mouse_event (dx, dy in signed decimal)\n"
    "  mouse flags=0x0800 dx=0 dy=0 data=360 a wheel event and its amount (120 a notch)\n"
    "  mouse to x=200 y=100                  the pointer placed on a pixel (,goto)\n"
    "  wait ms=500                           a pause in the typing (not slept here)\n"
    "  glide arm, glide stop                 the 125 ms glide timer armed or stopped\n"
    "\n"
    "The keyboard layout is US English as Windows reports it, unless --layout\n"
    "names a table of another layout.\n"
    "\n"
    "Options:\n"
    "  --ascii            bytes 128..255 are extended ASCII (code page 437) and are\n"
    "                     translated to ANSI before typing; without it they are\n"
    "                     ANSI already (the stored default)\n"
    "  --unicode          bytes 128..255 are UTF-8 text, typed as Unicode input;\n"
    "                     what is not valid UTF-8 types as Windows-1252\n"
    "  --language 0xNNNN  the system default language (default 0x0409, US English;\n"
    "                     0x0407 is German)\n"
    "  --layout FILE      the keyboard layout of another PC: a table of what its\n"
    "                     VkKeyScanExW answers for characters 0..255 and what its\n"
    "                     MapVirtualKeyExW(vk, 0) answers for virtual keys\n"
    "                     0..255, one entry a line: \"char 0x28 0x0139\" (byte,\n"
    "                     answer, -1 for no key), \"scan 0x41 0x1e\" (virtual\n"
    "                     key, scan code), \"dead 0x5e\" (the key of that\n"
    "                     byte is a dead key) and \"caps 0x61\" (Caps Lock\n"
    "                     inverts the Shift of that byte's key); a byte left\n"
    "                     out has no key, a virtual key left out has its US\n"
    "                     scan code; '#' starts a comment. Write it on that PC\n"
    "                     with \"input-probe layout FILE\" to see what a device\n"
    "                     will type there\n"
    "  --caps-lock        Caps Lock is on at the start (a press of its key\n"
    "                     toggles it)\n"
    "  --ticks N          after the input, deliver N glide timer ticks if the glide\n"
    "                     timer is armed then (default 0)\n"
    "  --help             show this text\n"
    "\n"
    "Exit status: 0 on success, 1 when the output cannot be written, 2 for an\n"
    "unknown option, a bad value or an unreadable file.\n";

struct Options {
  bool ascii = false;
  bool unicode = false;
  bool capsLock = false;
  long language = 0x0409;
  long ticks = 0;
  const char* layout = nullptr;
  const char* file = nullptr;
  bool help = false;
};

int usageError(const char* message, const char* detail) {
  std::fprintf(stderr, "tavrin-replay: %s%s\nTry 'tavrin-replay --help'.\n", message, detail);
  return EXIT_USAGE;
}

// A whole number in [0, max]; base 0 accepts 0x-prefixed hexadecimal.
bool parseNumber(const char* text, int base, long max, long* value) {
  if (!text || !*text || *text == '-' || *text == '+') return false;
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(text, &end, base);
  if (errno != 0 || *end != '\0' || v < 0 || v > max) return false;
  *value = v;
  return true;
}

// Returns 0 when the options are good, else the exit status after the
// message has been printed.
int parseOptions(int argc, char** argv, Options* options) {
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (!optionsEnded && std::strcmp(arg, "--") == 0) {
      optionsEnded = true;
    } else if (!optionsEnded && std::strcmp(arg, "--help") == 0) {
      options->help = true;
    } else if (!optionsEnded && std::strcmp(arg, "--ascii") == 0) {
      options->ascii = true;
    } else if (!optionsEnded && std::strcmp(arg, "--unicode") == 0) {
      options->unicode = true;
    } else if (!optionsEnded && std::strcmp(arg, "--caps-lock") == 0) {
      options->capsLock = true;
    } else if (!optionsEnded && std::strcmp(arg, "--language") == 0) {
      if (i + 1 >= argc) return usageError("--language needs a value such as 0x0409", "");
      if (!parseNumber(argv[++i], 0, 0xFFFF, &options->language))
        return usageError("--language needs a number from 0 to 0xffff, not ", argv[i]);
    } else if (!optionsEnded && std::strcmp(arg, "--layout") == 0) {
      if (i + 1 >= argc) return usageError("--layout needs a table file", "");
      options->layout = argv[++i];
    } else if (!optionsEnded && std::strcmp(arg, "--ticks") == 0) {
      if (i + 1 >= argc) return usageError("--ticks needs a count", "");
      if (!parseNumber(argv[++i], 10, 1000000000L, &options->ticks))
        return usageError("--ticks needs a count from 0 to 1000000000, not ", argv[i]);
    } else if (!optionsEnded && arg[0] == '-' && arg[1] != '\0') {
      return usageError("unknown option ", arg);
    } else if (options->file) {
      return usageError("only one input file can be named; extra: ", arg);
    } else {
      options->file = arg;
    }
  }
  if (options->ascii && options->unicode) return usageError("--ascii and --unicode exclude each other", "");
  return 0;
}

// Feeds every byte of the stream; 0 on success, else the exit status.
int replay(std::FILE* in, const char* name) {
  unsigned char chunk[4096];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, in)) > 0)
    for (size_t i = 0; i < n; ++i) onLinkByte(chunk[i]);
  if (std::ferror(in)) {
    std::fprintf(stderr, "tavrin-replay: cannot read %s: %s\n", name, std::strerror(errno));
    return EXIT_USAGE;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (const int status = parseOptions(argc, argv, &options)) return status;
  if (options.help) {
    std::fputs(Usage, stdout);
    return 0;
  }

  std::string layoutError;
  if (options.layout && !loadLayoutFile(options.layout, &layoutError)) return usageError(layoutError.c_str(), "");

  std::FILE* in = stdin;
  const char* name = "standard input";
  if (options.file && std::strcmp(options.file, "-") != 0) {
    in = std::fopen(options.file, "rb");
    if (!in) {
      std::fprintf(stderr, "tavrin-replay: cannot open %s: %s\n", options.file, std::strerror(errno));
      return EXIT_USAGE;
    }
    name = options.file;
  }

  interpretation = options.unicode ? INTERPRETATION_UNICODE : options.ascii ? 0 : 1;
  setPrintedSystemLanguage(static_cast<int>(options.language));
  setPrintedCapsLock(options.capsLock);

  int status = replay(in, name);
  if (in != stdin) std::fclose(in);
  if (status == 0 && printedGlideArmed())
    for (long i = 0; i < options.ticks; ++i) glideTick();

  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::fprintf(stderr, "tavrin-replay: cannot write the output: %s\n", std::strerror(errno));
    return 1;
  }
  return status;
}
