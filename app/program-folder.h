#pragma once

#include <string>

namespace app {

// The per-user data folder: $XDG_DATA_HOME/tervala, or
// ~/.local/share/tervala. Created on first use; no trailing "/".
std::string ProgramFolder();

}  // namespace app
