// The buffer of a read that stops at a limit, from an input whose end is unknown (a pipe, a
// device, a file that grows while it is read). A string that doubles as bytes come holds nearly
// twice the limit for the byte past it, and while it grows it holds its old bytes beside their
// copy. This one grows by doubling until a doubling would pass half the limit, and then straight
// to the limit: neither the buffer nor a growth with its copy ever holds more than the limit.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

// Room in `bytes` for `more` bytes past what it holds, for a read that stops at `limit` bytes in
// all; its capacity grows past `limit` only when the bytes themselves need it.
void MakeReadRoom(std::string* bytes, size_t more, size_t limit);

}  // namespace platform
