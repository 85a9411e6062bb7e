// The words of the probe's commands: arguments read as numbers and names, answers printed, and the
// one way a command fails.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "game/battle/field_table.h"

namespace battleprobe {

// A command's words; the command's name is the first.
using Args = std::vector<std::string>;

// A failed command: the message goes to stderr and the probe ends with status 2.
[[noreturn]] void Fail(const std::string& message);

// A whole number within [min, max]; anything else fails the command.
long long ToInteger(const std::string& text, long long min = INT32_MIN, long long max = INT32_MAX);
int ToInt(const std::string& text);
float ToFloat(const std::string& text);

// Floats print as %.9g.
void PrintFloat(float v);

// A field of the field table by its name; an unknown name fails the command.
veyrdale::FieldRef Resolve(const std::string& name);
void PrintValue(const veyrdale::FieldValue& v);

}  // namespace battleprobe
