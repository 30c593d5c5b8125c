#include "app/arrange-controls.h"

namespace app {

std::vector<ControlChange> ArrangeControls(int outerWidth)
{
    using P = ControlChange::Property;
    namespace dw = design_width;
    int const w = outerWidth;

    int const tabs = w - 20;
    int const openLeft = w - dw::AlbumPageButton - dw::OpenButton - 60;
    int const groupWidth = tabs - 20;  // the three group boxes of the album page
    int const numberWidth = groupWidth - dw::GetAlbumsButton - dw::StartButton - 200;
    int const getAlbumsLeft = groupWidth - dw::GetAlbumsButton - dw::StartButton - 100;
    int const startLeft = groupWidth - dw::StartButton - 80;

    return {
        {"高级选择夹1", P::Width, tabs},
        {"超文本浏览框1", P::Width, w - 40},
        {"按钮_专辑页面", P::Left, w - dw::AlbumPageButton - 40},
        {"按钮_打开", P::Left, openLeft},
        {"编辑框_url", P::Width, openLeft - 20},
        {"分组框_liebiao", P::Width, groupWidth},
        {"分组框_weizhi", P::Width, groupWidth},
        {"分组框_zhuye", P::Width, groupWidth},
        {"超级列表框1", P::Width, groupWidth - dw::LogGroup - 20},
        {"分组框_日志", P::Left, groupWidth - dw::LogGroup - 5},
        {"编辑框_号码", P::Width, numberWidth},
        {"按钮_获取相册封面", P::Left, getAlbumsLeft},
        {"按钮_下载选中", P::Left, startLeft},
        {"按钮_暂停线程", P::Left, startLeft},
        {"按钮_继续下载", P::Left, startLeft},
        {"按钮_结束下载", P::Left, startLeft + dw::StartButton + 10},
        {"编辑框_保存位置", P::Width, numberWidth},
        {"按钮_选择位置", P::Left, getAlbumsLeft},
        {"按钮_打开目录", P::Left, startLeft},
    };
}

}  // namespace app
