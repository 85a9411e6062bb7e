// The options (scene 15), where player 0 sets the eleven option lines and leaves through the key
// configuration or back to the title, and the key configuration (scene 16), where each player
// gives the pad buttons of its column to the game's five buttons. Both draw their texts from the
// glyph sheets and save their record only when they are left; a failed save is not reported and
// the settings stay in memory.
#pragma once

#include <cstdint>

namespace veyrdale {

void RunOptionMenu();  // 15
void RunKeyConfig();   // 16

// The option lines and the back line of the key configuration's columns.
inline constexpr int kOptionLines = 11;
inline constexpr int kOptionKeyConfigLine = 9;
inline constexpr int kOptionBackLine = 10;
inline constexpr int kKeyConfigLines = 6;
inline constexpr int kKeyConfigBackLine = 5;

// The GBK text an option line shows for its value; nullptr for a line without values (9, 10) and
// for a value outside the line's table, which then shows its label alone.
const char* OptionValueText(int line, int32_t value);
// The number of the pad button that a mask names ("１" for 0x10 up to "９" for 0x1000); nullptr
// for any other mask, which shows the button's label alone.
const char* ButtonDigitText(int32_t mask);

}  // namespace veyrdale
