#pragma once

#include <string>

namespace app {

class Window;

// Reads the maker's update page and shows the latest published version and
// the verdict in the version labels. Runs on the calling thread (window or
// a background thread); the window calls are marshalled by the contract.
void UpdateCheck(Window& window);

// Versions compared part by part as numbers: 1.5 > 1.0, " 1.0" == "1.0".
// Negative, zero or positive as latest is older, equal or newer.
int CompareVersions(std::string const& latest, std::string const& current);

}  // namespace app
