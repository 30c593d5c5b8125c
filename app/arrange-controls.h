#pragma once

#include <string>
#include <vector>

namespace app {

// One move of the window's layout: a control's left or width.
struct ControlChange {
    enum class Property { Left, Width };
    std::string control;  // design name
    Property property = Property::Width;
    int value = 0;
    bool operator==(ControlChange const&) const = default;
};

// The widths the layout rules read; the rules never change them.
namespace design_width {
inline constexpr int AlbumPageButton = 96;   // 按钮_专辑页面
inline constexpr int OpenButton = 93;        // 按钮_打开
inline constexpr int LogGroup = 236;         // 分组框_日志
inline constexpr int GetAlbumsButton = 91;   // 按钮_获取相册封面
inline constexpr int StartButton = 85;       // 按钮_下载选中
}  // namespace design_width

// The nineteen layout rules for a main window of outer width W, in the order
// they apply. Values may come out negative for a very narrow window; the
// window shows those as 0.
std::vector<ControlChange> ArrangeControls(int outerWidth);

}  // namespace app
