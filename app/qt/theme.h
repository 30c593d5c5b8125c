#pragma once

namespace app::qt {

// The program's look. Theme 13 is the program's own style sheet (a
// resource); any other number leaves the native look. Nothing is written.
void AttachSkin(int number);

// Makes the resources of the static window library available. Idempotent.
void LoadResources();

}  // namespace app::qt
