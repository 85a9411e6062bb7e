// morrow-probe: small probes of the library from the command line.
//
//   morrow-probe rng SEED N        the first N words of the generator after SeedRandom(SEED)
//   morrow-probe rng-unseeded N    the first N words of a generator that seeds itself
//   morrow-probe start-end [--window|--full]
//                                  starts the library (in the mode given, else its default),
//                                  pumps a few frames and ends it
//   morrow-probe pad DEVICE --frames N
//                                  starts the library, then for frames F = 1 to N prints
//                                  "F 0x<bits>" of GetPadInputBits(DEVICE) and pumps once
//   morrow-probe text [--ime] [--edit MAX[,digits][,single][,escape]] --events LIST
//                                  starts the library; --ime enables the input method, --edit
//                                  makes a key-input string of MAX bytes with those rules and
//                                  activates it. LIST: events separated by ';', each
//                                  text:UTF8, edit:UTF8:START (START characters before the
//                                  cursor) or key:left|right|up|down|delete|backspace|tab|return|
//                                  escape, pushed as the SDL event a user's typing makes; after
//                                  each the pump runs until no message is left. With --ime every
//                                  text and edit event prints
//                                    ime composing=C comp=HEX cursor=N
//                                  At the end, with --edit:
//                                    keyinput text=HEX length=L cursor=C ended=E cancelled=K
//                                  else the characters left in the ring: "chars" and each
//                                  character's bytes in hexadecimal
// Exit 0; 1 when the library does not start (255 when it ends the process itself), or standard
// output cannot be written; 2 on a usage error, or when another instance holds the library's lock.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "morrow/system/char_input.h"
#include "morrow/system/input.h"
#include "morrow/system/library.h"
#include "morrow/system/time.h"
#include "morrow/system/window.h"
#include "platform/window.h"
#include "tools/lib/toolrun/tool_run.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: morrow-probe rng SEED N\n"
               "       morrow-probe rng-unseeded N\n"
               "       morrow-probe start-end [--window|--full]\n"
               "       morrow-probe pad DEVICE --frames N\n"
               "       morrow-probe text [--ime] [--edit MAX[,digits][,single][,escape]] "
               "--events LIST\n");
  return toolrun::kUsage;
}

bool ParseNumber(const char* text, long long min, long long max, long long* out) {
  errno = 0;
  char* end = nullptr;
  long long v = std::strtoll(text, &end, 0);
  if (errno != 0 || end == text || *end != '\0' || v < min || v > max) return false;
  *out = v;
  return true;
}

void PrintWords(long long count) {
  for (long long i = 0; i < count; ++i) {
    std::printf(i == 0 ? "%u" : " %u", morrow::NextRandomWord());
  }
  std::printf("\n");
}

// The frames the probe pumps between the start and the end.
constexpr int kProbeFrames = 5;

int StartEnd(int argc, char** argv) {
  if (argc > 3) return Usage();
  if (argc == 3) {
    std::string mode = argv[2];
    if (mode == "--window") {
      morrow::ChangeWindowMode(1);
    } else if (mode == "--full") {
      morrow::ChangeWindowMode(0);
    } else {
      return Usage();
    }
  }
  if (toolrun::StartLibrary(1) != 0) return 1;
  for (int i = 0; i < kProbeFrames; ++i) {
    if (morrow::PumpMessages() != 0) break;
  }
  morrow::EndLibrary();
  return 0;
}

int Pad(int argc, char** argv) {
  long long device = 0, frames = 0;
  if (argc != 5 || !ParseNumber(argv[2], INT32_MIN, INT32_MAX, &device) ||
      std::string(argv[3]) != "--frames" || !ParseNumber(argv[4], 0, 1000000, &frames)) {
    return Usage();
  }
  if (toolrun::StartLibrary(1) != 0) return 1;
  for (long long f = 1; f <= frames; ++f) {
    int bits = morrow::GetPadInputBits(static_cast<int>(device));
    std::printf("%lld 0x%x\n", f, static_cast<unsigned>(bits));
    morrow::PumpMessages();
  }
  std::fflush(stdout);
  morrow::EndLibrary();
  return 0;
}

std::string Hex(const char* bytes, size_t count) {
  std::string out;
  char two[3];
  for (size_t i = 0; i < count; ++i) {
    std::snprintf(two, sizeof two, "%02x", static_cast<unsigned char>(bytes[i]));
    out += two;
  }
  return out;
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t at; (at = text.find(separator, start)) != std::string::npos; start = at + 1) {
    parts.push_back(text.substr(start, at - start));
  }
  parts.push_back(text.substr(start));
  return parts;
}

struct TextEvent {
  enum Kind { kText, kEdit, kKey } kind;
  std::string text;
  int start = 0;
  uint32_t key = 0;
};

bool ParseEvent(const std::string& item, TextEvent* out) {
  static const std::pair<const char*, uint32_t> kKeys[] = {
      {"left", platform::vk::kLeft},     {"right", platform::vk::kRight},
      {"up", platform::vk::kUp},         {"down", platform::vk::kDown},
      {"delete", platform::vk::kDelete}, {"backspace", platform::vk::kBack},
      {"tab", platform::vk::kTab},       {"return", platform::vk::kReturn},
      {"escape", platform::vk::kEscape},
  };
  if (item.rfind("text:", 0) == 0) {
    *out = TextEvent{TextEvent::kText, item.substr(5)};
    return true;
  }
  if (item.rfind("edit:", 0) == 0) {
    const size_t colon = item.rfind(':');
    long long start = 0;
    if (colon < 5 || !ParseNumber(item.c_str() + colon + 1, INT32_MIN, INT32_MAX, &start)) {
      return false;
    }
    *out = TextEvent{TextEvent::kEdit, item.substr(5, colon - 5), static_cast<int>(start)};
    return true;
  }
  if (item.rfind("key:", 0) == 0) {
    for (const auto& [name, key] : kKeys) {
      if (item.substr(4) == name) {
        *out = TextEvent{TextEvent::kKey, "", 0, key};
        return true;
      }
    }
  }
  return false;
}

struct EditRules {
  long long max = 0;
  int digits = 0;
  int single = 0;
  int escape = 0;
};

bool ParseEdit(const std::string& text, EditRules* out) {
  const std::vector<std::string> parts = Split(text, ',');
  if (!ParseNumber(parts[0].c_str(), 1, INT32_MAX, &out->max)) return false;
  for (size_t i = 1; i < parts.size(); ++i) {
    if (parts[i] == "digits") {
      out->digits = 1;
    } else if (parts[i] == "single") {
      out->single = 1;
    } else if (parts[i] == "escape") {
      out->escape = 1;
    } else {
      return false;
    }
  }
  return true;
}

bool Push(const TextEvent& e) {
  switch (e.kind) {
    case TextEvent::kText:
      return platform::PushTextInputEvent(e.text);
    case TextEvent::kEdit:
      return platform::PushTextEditingEvent(e.text, e.start);
    case TextEvent::kKey:
      return platform::PushKeyDownEvent(e.key);
  }
  return false;
}

// The pump takes the pushed event and dispatches what it became, a few messages per call.
void PumpUntilQuiet() {
  if (morrow::PumpMessages() != 0) return;
  while (platform::CurrentWindowService().Queue().size() != 0) {
    if (morrow::PumpMessages() != 0) return;
  }
}

int Text(int argc, char** argv) {
  bool ime = false;
  bool edit = false;
  EditRules rules;
  std::vector<TextEvent> events;
  bool haveEvents = false;
  for (int i = 2; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--ime") {
      ime = true;
    } else if (a == "--edit" && i + 1 < argc) {
      edit = true;
      if (!ParseEdit(argv[++i], &rules)) return Usage();
    } else if (a == "--events" && i + 1 < argc) {
      haveEvents = true;
      for (const std::string& item : Split(argv[++i], ';')) {
        TextEvent e;
        if (!ParseEvent(item, &e)) return Usage();
        events.push_back(e);
      }
    } else {
      return Usage();
    }
  }
  if (!haveEvents) return Usage();
  if (toolrun::StartLibrary(1) != 0) return 1;
  if (ime) morrow::SetImeEnabled(1);
  int handle = -1;
  if (edit) {
    handle =
        morrow::MakeKeyInput(static_cast<int>(rules.max), rules.escape, rules.single, rules.digits);
    morrow::SetActiveKeyInput(handle);
  }
  int status = 0;
  for (const TextEvent& e : events) {
    if (!Push(e)) {
      std::fprintf(stderr, "morrow-probe: the event could not be pushed\n");
      status = 1;
      break;
    }
    PumpUntilQuiet();
    if (ime && e.kind != TextEvent::kKey) {
      const morrow::ImeState s = morrow::GetImeState();
      std::printf("ime composing=%d comp=%s cursor=%d\n", s.composing,
                  Hex(s.composition, std::strlen(s.composition)).c_str(), s.cursor);
    }
  }
  if (edit) {
    int length = 0, cursor = 0, ended = 0, cancelled = 0;
    morrow::GetKeyInputState(handle, &length, &cursor, &ended, &cancelled);
    std::vector<char> text(static_cast<size_t>(length) + 1);
    morrow::GetKeyInputText(handle, text.data(), static_cast<int>(text.size()));
    std::printf("keyinput text=%s length=%d cursor=%d ended=%d cancelled=%d\n",
                Hex(text.data(), static_cast<size_t>(length)).c_str(), length, cursor, ended,
                cancelled);
  } else {
    std::printf("chars");
    unsigned char c[2];
    for (int n; (n = morrow::GetCharCode(c, 1)) != 0;) {
      std::printf(" %s", Hex(reinterpret_cast<const char*>(c), static_cast<size_t>(n)).c_str());
    }
    std::printf("\n");
  }
  std::fflush(stdout);
  morrow::EndLibrary();
  return status;
}

int Run(int argc, char** argv) {
  if (argc < 2) return Usage();
  std::string op = argv[1];
  long long seed = 0, count = 0;
  if (op == "rng") {
    if (argc != 4 || !ParseNumber(argv[2], 0, 0xFFFFFFFFLL, &seed) ||
        !ParseNumber(argv[3], 0, 1000000, &count)) {
      return Usage();
    }
    morrow::SeedRandom(static_cast<uint32_t>(seed));
    PrintWords(count);
    return 0;
  }
  if (op == "rng-unseeded") {
    if (argc != 3 || !ParseNumber(argv[2], 0, 1000000, &count)) return Usage();
    PrintWords(count);
    return 0;
  }
  if (op == "start-end") return StartEnd(argc, argv);
  if (op == "pad") return Pad(argc, argv);
  if (op == "text") return Text(argc, argv);
  return Usage();
}

}  // namespace

int main(int argc, char** argv) {
  toolrun::Begin("morrow-probe");
  return toolrun::End(Run(argc, argv));
}
