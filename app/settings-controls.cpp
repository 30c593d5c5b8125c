#include "app/settings-controls.h"

#include <string>

#include "app/settings-file.h"
#include "app/window.h"

namespace app {

namespace {

// Sections and keys of the settings file.
constexpr char const* GlobalSection = "全局设置";
constexpr char const* RecordKey = "下载记录";
constexpr char const* DateWindowKey = "时间段";
constexpr char const* ModeSection = "下载模式";
constexpr char const* ModeKey = "模式";
constexpr char const* SizeSection = "图片大小";
constexpr char const* SizeKey = "大小";

constexpr std::string_view RecordBox = "选择框_下载记录";
constexpr std::string_view DateWindowBox = "选择框_时间段";
constexpr std::string_view BrowseBox = "选择框_浏览模式";
constexpr std::string_view ApiBox = "选择框_api模式";
constexpr std::string_view MediumRadio = "单选框_中图";
constexpr std::string_view FullRadio = "单选框_原图";

std::string flag(bool on)
{
    return on ? "1" : "0";
}

// The two mode boxes act as one switch: the clicked box keeps the state the
// toolkit gave it, the other box takes the opposite, the ticked box names
// the mode.
void flipMode(Window& window, SettingsFile const& settings, std::string_view clicked, std::string_view other,
              bool clickedIsBrowse)
{
    bool const ticked = window.isChecked(clicked);
    window.setChecked(other, !ticked);
    bool const browse = clickedIsBrowse == ticked;
    settings.Write(ModeSection, ModeKey, browse ? "1" : "2");
}

// The radio pair is one group: the clicked one is selected, the other not.
void selectSize(Window& window, SettingsFile const& settings, bool medium)
{
    window.setChecked(medium ? MediumRadio : FullRadio, true);
    window.setChecked(medium ? FullRadio : MediumRadio, false);
    settings.Write(SizeSection, SizeKey, medium ? "1" : "2");
}

}  // namespace

void LoadSettingsIntoControls(Window& window, SettingsFile const& settings)
{
    window.setChecked(RecordBox, settings.Read(GlobalSection, RecordKey, "0") == "1");
    window.setChecked(DateWindowBox, settings.Read(GlobalSection, DateWindowKey, "0") == "1");
    bool const browse = settings.Read(ModeSection, ModeKey, "1") == "1";
    window.setChecked(BrowseBox, browse);
    window.setChecked(ApiBox, !browse);
    bool const medium = settings.Read(SizeSection, SizeKey, "1") == "1";
    window.setChecked(MediumRadio, medium);
    window.setChecked(FullRadio, !medium);
}

void OnSettingsControlClick(Window& window, SettingsFile const& settings, std::string_view control)
{
    if (control == RecordBox)
        settings.Write(GlobalSection, RecordKey, flag(window.isChecked(RecordBox)));
    else if (control == DateWindowBox)
        settings.Write(GlobalSection, DateWindowKey, flag(window.isChecked(DateWindowBox)));
    else if (control == BrowseBox)
        flipMode(window, settings, BrowseBox, ApiBox, true);
    else if (control == ApiBox)
        flipMode(window, settings, ApiBox, BrowseBox, false);
    else if (control == MediumRadio)
        selectSize(window, settings, true);
    else if (control == FullRadio)
        selectSize(window, settings, false);
}

}  // namespace app
