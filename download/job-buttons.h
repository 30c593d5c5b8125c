#pragma once

namespace app {
class Window;
}

namespace download {

// The four job buttons: idle (start only), running (pause and stop),
// paused (continue and stop).
enum class ButtonState { Idle, Running, Paused };

void ShowButtons(app::Window& window, ButtonState state);

}  // namespace download
