#include "download/job-buttons.h"

#include "app/window.h"

namespace download {

void ShowButtons(app::Window& window, ButtonState state)
{
    window.setVisible("按钮_下载选中", state == ButtonState::Idle);
    window.setVisible("按钮_暂停线程", state == ButtonState::Running);
    window.setVisible("按钮_继续下载", state == ButtonState::Paused);
    window.setVisible("按钮_结束下载", state != ButtonState::Idle);
}

}  // namespace download
