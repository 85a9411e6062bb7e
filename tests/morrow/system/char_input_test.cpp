// Character input on the started library: the ring of character codes, key-input strings fed
// through the window procedure and the pump, and the input-method messages with a fake input
// method behind them.
#include "morrow/system/char_input.h"

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "morrow/graphics/handle.h"
#include "morrow/system/window.h"
#include "tests/morrow/system/library_fixture.h"

namespace {

namespace msg = platform::msg;
namespace vk = platform::vk;
using platform::WindowMessage;

const std::string kZhong = "\xD6\xD0";  // 中: its trail byte lies in the lead-byte range
const std::string kNi = "\xC4\xE3";     // 你
const std::string kHao = "\xBA\xC3";    // 好

class CharInput : public testsupport::LibraryFixture {
 protected:
  void SetUp() override {
    LibraryFixture::SetUp();
    morrow::ChangeWindowMode(1);
    ASSERT_EQ(morrow::InitLibrary(), 0);
    fake_.Queue().Clear();
  }
  void TearDown() override {
    morrow::DeleteAllKeyInputs();
    LibraryFixture::TearDown();
  }

  int64_t Send(uint32_t id, uint64_t w = 0, int64_t l = 0) {
    return morrow::MainWindowProc(morrow::GetMainWindow(), id, w, l);
  }
  // Everything the ring holds, each character's bytes in hexadecimal.
  static std::string Drain() {
    std::string out;
    unsigned char c[2];
    for (int n; (n = morrow::GetCharCode(c, 1)) != 0;) {
      char hex[8];
      std::snprintf(hex, sizeof hex, n == 2 ? "%02x%02x " : "%02x ", c[0], c[1]);
      out += hex;
    }
    return out;
  }
  // Typed input as the window system delivers it: "<name>" is a key, anything else GBK bytes
  // of character messages; after each item the pump runs until the queue is empty.
  void Type(const std::vector<std::string>& input) {
    static const std::pair<const char*, uint32_t> kKeys[] = {
        {"<left>", vk::kLeft}, {"<right>", vk::kRight}, {"<up>", vk::kUp},
        {"<down>", vk::kDown}, {"<del>", vk::kDelete},  {"<bs>", vk::kBack},
        {"<tab>", vk::kTab},   {"<ret>", vk::kReturn},  {"<esc>", vk::kEscape},
    };
    for (const std::string& item : input) {
      bool key = false;
      for (const auto& [name, code] : kKeys) {
        if (item == name) {
          fake_.Queue().Post(WindowMessage{msg::kKeyDown, code, 1});
          key = true;
        }
      }
      if (!key) {
        for (unsigned char c : item) fake_.Queue().Post(WindowMessage{msg::kChar, c, 1});
      }
      while (fake_.Queue().size() != 0) ASSERT_EQ(morrow::PumpMessages(), 0);
    }
  }
  static std::string Text(int handle) {
    char buffer[256];
    EXPECT_EQ(morrow::GetKeyInputText(handle, buffer, sizeof buffer), 0);
    return buffer;
  }
};

TEST_F(CharInput, TheRingHolds1024BytesAndNeverHalfACharacter) {
  for (int i = 0; i < 1024; ++i) ASSERT_EQ(morrow::PutCharCode('a'), 0) << i;
  EXPECT_EQ(morrow::IsCharCodeRingFull(), 1);
  EXPECT_EQ(morrow::PutCharCode('b'), -1);
  EXPECT_EQ(Drain().size(), 1024u * 3);
  EXPECT_EQ(morrow::IsCharCodeRingFull(), 0);

  // The indices now stand at the last byte: the pair wraps round the end of the ring.
  ASSERT_EQ(morrow::PutCharCode(0xD6), 0);
  unsigned char c[2] = {9, 9};
  EXPECT_EQ(morrow::GetCharCode(c, 1), 0);  // waits for its trail byte
  EXPECT_EQ(c[0], 0);
  ASSERT_EQ(morrow::PutCharCode(0xD0), 0);
  EXPECT_EQ(morrow::GetCharCode(c, 0), 2);
  EXPECT_EQ(morrow::GetCharCode(c, 0), 2);  // peeking leaves it
  EXPECT_EQ(Drain(), "d6d0 ");

  // One byte free: the lead byte is refused, and its trail byte with it.
  for (int i = 0; i < 1023; ++i) ASSERT_EQ(morrow::PutCharCode('a'), 0);
  EXPECT_EQ(morrow::PutCharCode(0xD6), -1);
  EXPECT_EQ(morrow::PutCharCode(0x61), -1);
  EXPECT_EQ(morrow::PutCharCode('z'), 0);
  std::string all = Drain();
  EXPECT_EQ(all.substr(all.size() - 6), "61 7a ");
  // Two bytes free: the pair fits and fills the ring; a control code is a trail like any byte.
  for (int i = 0; i < 1022; ++i) ASSERT_EQ(morrow::PutCharCode('a'), 0);
  EXPECT_EQ(morrow::PutCharCode(0xD6), 0);
  EXPECT_EQ(morrow::PutCharCode(morrow::kCharCodeLeft), 0);
  EXPECT_EQ(morrow::IsCharCodeRingFull(), 1);
  all = Drain();
  EXPECT_EQ(all.substr(all.size() - 8), "61 d61d ");
}

TEST_F(CharInput, CharactersAreCountedFromTheStart) {
  const std::string text = kZhong + "a" + kZhong + "\xD6";  // a lone lead byte at the end
  const int counts[] = {0, 1, 1, 2, 3, 3, 4, 4};
  for (int bytes = 0; bytes < 8; ++bytes) {
    EXPECT_EQ(morrow::CountCharsInBytes(text.c_str(), bytes), counts[bytes]) << bytes;
  }
  EXPECT_EQ(morrow::CountCharsInBytes("", 5), 0);
  for (int code = 0; code < 256; ++code) {
    const bool control =
        code == 0x10 || code == 0x1C || code == 0x1D || code == 0x1E || code == 0x1F;
    EXPECT_EQ(morrow::IsControlCharCode(code), control ? 1 : 0) << code;
  }
}

// The editing keys and characters reach the ring through the window procedure, the pump
// translates Backspace, Tab, Return and Escape into characters, and the ring is read back.
TEST_F(CharInput, TheWindowProcedurePutsKeysAndCharactersIntoTheRing) {
  Type({kZhong + "a", "<left>", "<right>", "<up>", "<down>", "<del>", "<bs>", "<tab>", "<ret>",
        "<esc>"});
  EXPECT_EQ(Drain(), "d6d0 61 1d 1c 1e 1f 10 08 09 0d 1b ");
}

struct EditCase {
  const char* name;
  int max, escape, single, digits;
  std::vector<std::string> input;
  std::string text;
  int cursor, ended, cancelled;
};

class KeyInputEditing : public CharInput, public ::testing::WithParamInterface<EditCase> {};

TEST_P(KeyInputEditing, EditsWholeCharacters) {
  const EditCase& c = GetParam();
  const int h = morrow::MakeKeyInput(c.max, c.escape, c.single, c.digits);
  ASSERT_NE(h, -1);
  ASSERT_EQ(morrow::SetActiveKeyInput(h), 0);
  Type(c.input);
  int length = -1, cursor = -1, ended = -1, cancelled = -1;
  ASSERT_EQ(morrow::GetKeyInputState(h, &length, &cursor, &ended, &cancelled), 0);
  EXPECT_EQ(Text(h), c.text);
  EXPECT_EQ(length, static_cast<int>(c.text.size()));
  EXPECT_EQ(cursor, c.cursor);
  EXPECT_EQ(ended, c.ended);
  EXPECT_EQ(cancelled, c.cancelled);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KeyInputEditing,
    ::testing::Values(
        // Left over 中 whose trail byte looks like a lead byte, then Backspace removes all of it.
        EditCase{"LeftAndBackspaceOverATrailThatLooksLikeALead",
                 10,
                 0,
                 0,
                 0,
                 {kZhong + "a", "<left>", "<bs>", "b", "<ret>"},
                 "ba",
                 1,
                 1,
                 0},
        EditCase{"EveryEditingKey",
                 20,
                 0,
                 0,
                 0,
                 {kZhong + kZhong + "a", "<left>", "<left>", "<del>", "<right>", "<bs>", "<tab>",
                  "<up>", "<down>", "x"},
                 kZhong + "x",
                 3,
                 0,
                 0},
        EditCase{"KeysAtTheEndsDoNothing",
                 20,
                 0,
                 0,
                 0,
                 {"<bs>", "<left>", "<del>", kNi, "<right>", "<del>", "<left>", "<left>", "<bs>"},
                 kNi,
                 0,
                 0,
                 0},
        EditCase{"InsertInTheMiddle",
                 20,
                 0,
                 0,
                 0,
                 {kNi + kHao, "<left>", "a", "<left>", "<left>", kZhong},
                 kZhong + kNi + "a" + kHao,
                 2,
                 0,
                 0},
        EditCase{"DigitsOnlyTrimsAtTheMaximum", 4, 0, 0, 1, {"-12a345"}, "-125", 4, 0, 0},
        EditCase{"DigitsOnlyTakesAMinusOnlyAtTheStart",
                 8,
                 0,
                 0,
                 1,
                 {"1-2" + kNi, "<left>", "<left>", "-"},
                 "-12",
                 1,
                 0,
                 0},
        EditCase{"SingleByteOnly", 8, 0, 1, 0, {"a" + kZhong + "b"}, "ab", 2, 0, 0},
        EditCase{"EscapeNotAllowed", 8, 0, 0, 0, {"ab", "<esc>", "c"}, "abc", 3, 0, 0},
        EditCase{"EscapeCancels", 8, 1, 0, 0, {"ab", "<esc>", "c"}, "ab", 2, 1, 1},
        EditCase{"ReturnEndsAndLeavesTheRest", 8, 0, 0, 0, {"ab", "<ret>", "c"}, "ab", 2, 1, 0},
        // Room is made by whole characters from the end; the cursor follows when it was there.
        EditCase{"TrimmingDropsWholeCharacters",
                 4,
                 0,
                 0,
                 0,
                 {kZhong + kZhong, "x"},
                 kZhong + "x",
                 3,
                 0,
                 0},
        EditCase{
            "TrimmingAfterATrailThatLooksLikeALead", 3, 0, 0, 0, {kZhong + "a", kNi}, kNi, 2, 0, 0},
        EditCase{"TrimmingKeepsACursorInTheMiddle",
                 4,
                 0,
                 0,
                 0,
                 {"abcd", "<left>", "<left>", "x"},
                 "abxc",
                 3,
                 0,
                 0},
        // A character that can never fit is refused, not made room for.
        EditCase{"ACharacterLongerThanTheMaximum", 1, 0, 0, 0, {kZhong, "x", "y"}, "y", 1, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CharInput, AnEndedStringLeavesTheRingAlone) {
  const int h = morrow::MakeKeyInput(8, 0, 0, 0);
  ASSERT_EQ(morrow::SetActiveKeyInput(h), 0);
  Type({"ab", "<ret>", "cd"});
  EXPECT_EQ(Text(h), "ab");
  EXPECT_EQ(Drain(), "63 64 ");
}

TEST_F(CharInput, KeyInputHandlesAreChecked) {
  std::vector<int> handles;
  for (int i = 0; i < morrow::kKeyInputLimit; ++i) {
    handles.push_back(morrow::MakeKeyInput(4, 0, 0, 0));
    ASSERT_NE(handles.back(), -1);
  }
  EXPECT_EQ(morrow::MakeKeyInput(4, 0, 0, 0), -1);
  EXPECT_EQ(morrow::MakeKeyInput(0, 0, 0, 0), -1);
  EXPECT_EQ(morrow::MakeKeyInput(-5, 0, 0, 0), -1);
  const int first = handles[0];
  const int wrongKind = (first & 0x07FFFFFF) | morrow::kGraphHandle;
  const int beyond = morrow::MakeHandle(morrow::kKeyInputHandle, 0, morrow::kKeyInputLimit);
  const int wrongCheck = first ^ 0x00010000;
  char buffer[4];
  for (int bad : {-1, -4, wrongKind, beyond, wrongCheck, 0x7FFFFFFF}) {
    EXPECT_EQ(morrow::GetKeyInputState(bad, nullptr, nullptr, nullptr, nullptr), -1) << bad;
    EXPECT_EQ(morrow::GetKeyInputText(bad, buffer, sizeof buffer), -1) << bad;
    EXPECT_EQ(morrow::DeleteKeyInput(bad), -1) << bad;
    if (bad != -1) {
      EXPECT_EQ(morrow::SetActiveKeyInput(bad), -1) << bad;
    }
  }
  EXPECT_EQ(morrow::GetKeyInputText(first, buffer, 0), -1);

  // The text is cut at a character boundary to fit.
  ASSERT_EQ(morrow::SetActiveKeyInput(first), 0);
  Type({"a" + kZhong});
  EXPECT_EQ(morrow::GetKeyInputText(first, buffer, 3), 0);
  EXPECT_STREQ(buffer, "a");

  // A deleted active string stops the pump's step; the last one switches the input method off.
  morrow::SetImeEnabled(1);
  EXPECT_EQ(morrow::DeleteKeyInput(first), 0);
  EXPECT_EQ(morrow::DeleteKeyInput(first), -1);
  EXPECT_EQ(morrow::ProcessKeyInput(), 0);
  EXPECT_EQ(morrow::GetImeState().enabled, 1);
  EXPECT_EQ(morrow::DeleteAllKeyInputs(), 0);
  EXPECT_EQ(morrow::GetImeState().enabled, 0);
  EXPECT_FALSE(fake_.InputMethod().enabled);
}

// Seeded runs of 2,000 wild bytes (lead bytes alone, control codes as trail bytes, zero bytes,
// editing codes) into strings of every rule: the text stays whole characters within its size.
TEST_F(CharInput, WildTypingKeepsTheTextWhole) {
  for (uint32_t seed = 1; seed <= 12; ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 random(seed);
    const int max = static_cast<int>(random() % 9) + 1;
    const int h = morrow::MakeKeyInput(max, seed & 1, seed & 2, seed & 4);
    ASSERT_EQ(morrow::SetActiveKeyInput(h), 0);
    static const int kBytes[] = {0x00, 0x08, 0x09, 0x0D, 0x10, 0x1C, 0x1D, 0x1E,
                                 0x1F, '-',  '7',  'a',  0x81, 0xD0, 0xD6, 0xFF};
    for (int i = 0; i < 2000; ++i) {
      morrow::PutCharCode(random() % 3 == 0 ? static_cast<int>(random() % 256)
                                            : kBytes[random() % 16]);
      if (random() % 4 == 0) {
        ASSERT_EQ(morrow::ProcessKeyInput(), 0);
      }
      int length = 0, cursor = 0, ended = 0;
      ASSERT_EQ(morrow::GetKeyInputState(h, &length, &cursor, &ended, nullptr), 0);
      char text[16];
      ASSERT_EQ(morrow::GetKeyInputText(h, text, sizeof text), 0);
      ASSERT_LE(length, max);
      ASSERT_EQ(static_cast<int>(std::strlen(text)), length);
      // The cursor stands on a boundary found from the start.
      int at = 0;
      while (at < cursor) {
        at += static_cast<unsigned char>(text[at]) >= 0x81 && at + 1 < length ? 2 : 1;
      }
      ASSERT_EQ(at, cursor);
      if (ended != 0) break;
    }
    Drain();
    ASSERT_EQ(morrow::DeleteKeyInput(h), 0);
  }
}

class InputMethod : public CharInput {
 protected:
  platform::InputMethodState& Ime() { return fake_.InputMethod(); }
};

TEST_F(InputMethod, WhileDisabledTheMessagesAreIgnored) {
  EXPECT_FALSE(Ime().enabled);  // switched off when the window was made
  Ime().composition = kNi;
  for (uint32_t m : {msg::kImeSetContext, msg::kImeNotify, msg::kImeStartComposition,
                     msg::kImeComposition, msg::kImeEndComposition}) {
    EXPECT_EQ(Send(m, msg::kImeOpenCandidate, msg::kCompositionString), 0);
  }
  const morrow::ImeState s = morrow::GetImeState();
  EXPECT_EQ(s.inputUsed, 0);
  EXPECT_EQ(s.composing, 0);
  EXPECT_STREQ(s.composition, "");
}

TEST_F(InputMethod, CompositionCursorClausesAndResult) {
  ASSERT_EQ(morrow::SetImeEnabled(1), 0);
  EXPECT_TRUE(Ime().enabled);
  EXPECT_EQ(Send(msg::kImeStartComposition), 0);
  EXPECT_EQ(morrow::GetImeState().composing, 1);
  EXPECT_EQ(morrow::GetImeState().inputUsed, 1);

  Ime().composition = kNi + kHao + "a" + kZhong;
  Ime().cursor = 5;  // after 你好a
  const uint32_t offsets[3] = {0, 4, 5};
  Ime().clauses.assign(reinterpret_cast<const uint8_t*>(offsets),
                       reinterpret_cast<const uint8_t*>(offsets) + sizeof offsets);
  EXPECT_EQ(Send(msg::kImeComposition, 0,
                 msg::kCompositionString | msg::kCompositionCursor | msg::kCompositionClauses),
            0);
  morrow::ImeState s = morrow::GetImeState();
  EXPECT_EQ(std::string(s.composition), Ime().composition);
  EXPECT_EQ(s.cursor, 3);
  ASSERT_EQ(s.clauseCount, 3);
  EXPECT_EQ(std::memcmp(s.clauses, offsets, sizeof offsets), 0);

  // A composition longer than the buffer is cut, terminated.
  Ime().composition = std::string(1500, 'k');
  Ime().cursor = 1500;
  Send(msg::kImeComposition, 0, msg::kCompositionString | msg::kCompositionCursor);
  s = morrow::GetImeState();
  EXPECT_EQ(std::strlen(s.composition), 1023u);
  EXPECT_EQ(s.cursor, 1023);

  Ime().result = kNi + kHao;
  Ime().composition.clear();
  Ime().cursor = 0;
  Send(msg::kImeComposition, 0,
       msg::kCompositionResult | msg::kCompositionString | msg::kCompositionCursor);
  EXPECT_TRUE(Ime().result.empty());
  EXPECT_STREQ(morrow::GetImeState().composition, "");
  EXPECT_EQ(Send(msg::kImeEndComposition), 0);
  EXPECT_EQ(morrow::GetImeState().composing, 0);
  EXPECT_EQ(Drain(), "c4e3 bac3 ");
}

TEST_F(InputMethod, CandidateListsAreCopiedAndTheirFailuresLogged) {
  ASSERT_EQ(morrow::SetImeEnabled(1), 0);
  EXPECT_EQ(Send(msg::kImeNotify, msg::kImeOpenCandidate), 0);
  EXPECT_EQ(Count("漢字変換候補のデータサイズが０でした  DefHWND:1 IMC:0\n"), 1);
  EXPECT_EQ(morrow::GetImeState().candidates, nullptr);

  for (int i = 0; i < 40; ++i) fake_.candidates.push_back(static_cast<uint8_t>(i * 7));
  for (uint64_t notice :
       {msg::kImeOpenCandidate, msg::kImeChangeCandidate, msg::kImeSetCandidatePos}) {
    EXPECT_EQ(Send(msg::kImeNotify, notice), 0);
    const morrow::ImeState s = morrow::GetImeState();
    ASSERT_EQ(s.candidateBytes, 40);
    ASSERT_NE(s.candidates, nullptr);
    EXPECT_EQ(std::memcmp(s.candidates, fake_.candidates.data(), 40), 0);
  }
  EXPECT_EQ(Send(msg::kImeNotify, msg::kImeCloseCandidate), 0);
  EXPECT_EQ(morrow::GetImeState().candidates, nullptr);

  fake_.candidateFetchFails = true;
  EXPECT_EQ(Send(msg::kImeNotify, msg::kImeChangeCandidate), 0);
  EXPECT_EQ(Count("漢字変換候補の取得に失敗しました  BufSize:40\n"), 1);
  EXPECT_EQ(morrow::GetImeState().candidates, nullptr);
  EXPECT_EQ(Send(msg::kImeNotify, 99), 0);
}

// A change of the open status pumps for 2 ms, so the messages it causes are handled at once;
// the notices that arrive meanwhile do not pump again.
TEST_F(InputMethod, TheOpenStatusPumpsOnceForTwoMilliseconds) {
  ASSERT_EQ(morrow::SetImeEnabled(1), 0);
  fake_.Queue().Post(WindowMessage{msg::kChar, 'q', 1});
  for (int i = 0; i < 3; ++i) {
    fake_.Queue().Post(WindowMessage{msg::kImeNotify, msg::kImeSetOpenStatus, 0});
  }
  const int64_t before = clock_.Peek();
  EXPECT_EQ(Send(msg::kImeNotify, msg::kImeSetOpenStatus), 0);
  const int64_t spent = clock_.Peek() - before;
  EXPECT_GE(spent, 2000);
  EXPECT_LT(spent, 4000);
  EXPECT_EQ(fake_.Queue().size(), 0u);
  EXPECT_EQ(morrow::GetImeState().openStatus, 1);
  EXPECT_EQ(Drain(), "71 ");
}

TEST_F(InputMethod, DisablingWhileComposingDropsTheComposition) {
  ASSERT_EQ(morrow::SetImeEnabled(1), 0);
  Send(msg::kImeStartComposition);
  Ime().composition = kNi;
  Send(msg::kImeComposition, 0, msg::kCompositionString);
  fake_.candidates.assign(12, 1);
  Send(msg::kImeNotify, msg::kImeOpenCandidate);
  ASSERT_NE(morrow::GetImeState().candidates, nullptr);
  for (int round = 0; round < 3; ++round) {
    EXPECT_EQ(morrow::SetImeEnabled(0), 0);
    EXPECT_EQ(morrow::SetImeEnabled(0), 0);
    const morrow::ImeState s = morrow::GetImeState();
    EXPECT_EQ(s.composing, 0);
    EXPECT_STREQ(s.composition, "");
    EXPECT_EQ(s.candidates, nullptr);
    EXPECT_FALSE(Ime().enabled);
    EXPECT_TRUE(Ime().composition.empty());
    // A composition message still queued from before is not handled.
    Ime().result = kNi;
    EXPECT_EQ(Send(msg::kImeComposition, 0, msg::kCompositionResult), 0);
    EXPECT_EQ(Drain(), "");
    EXPECT_EQ(morrow::SetImeEnabled(1), 0);
    Ime().result.clear();
  }
}

}  // namespace
