#pragma once

#include <string_view>

namespace app {

class SettingsFile;
class Window;

// Reads the four settings into their controls (start-up), in their order.
void LoadSettingsIntoControls(Window& window, SettingsFile const& settings);

// The click handler of one of the six settings controls (by design name),
// run after the toolkit changed its state. Writes at once.
void OnSettingsControlClick(Window& window, SettingsFile const& settings, std::string_view control);

}  // namespace app
