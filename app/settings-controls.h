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

// The polite delay: whole seconds to leave between two requests to the site,
// key "请求间隔" in "全局设置", shown in the spin box 编辑框_请求间隔.
inline constexpr int LongestPoliteDelaySeconds = 600;

// The stored delay; 0 when missing or not a whole number, at most the longest.
int PoliteDelaySeconds(SettingsFile const& settings);

// Shows the stored delay in its box (start-up). Writes nothing.
void LoadPoliteDelayIntoControl(Window& window, SettingsFile const& settings);

// The change handler of the box, run after the toolkit changed its value
// (read as the box's text). Writes at once; a text that is no whole number
// writes nothing and the box shows the stored delay again.
void OnPoliteDelayChange(Window& window, SettingsFile const& settings);

}  // namespace app
