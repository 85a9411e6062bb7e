// Writes the whole demo resource tree.
#pragma once

#include <string>

namespace demo {

// Writes DIR/Resource/ with every file of the inventory (folders made as needed, files
// replaced). The same bytes on every run. false with the first failure's reason.
bool WriteDemoTree(const std::string& dir, std::string* error);

}  // namespace demo
