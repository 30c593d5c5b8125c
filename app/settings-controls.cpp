#include "app/settings-controls.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <string>

#include "app/settings-file.h"
#include "app/window.h"

namespace app {

namespace {

// Sections and keys of the settings file.
constexpr char const* GlobalSection = "全局设置";
constexpr char const* RecordKey = "下载记录";
constexpr char const* DateWindowKey = "时间段";
constexpr char const* PoliteDelayKey = "请求间隔";
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
constexpr std::string_view PoliteDelayBox = "编辑框_请求间隔";

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

// Whole seconds from a text of digits (spaces at the ends allowed), held to
// the allowed range; nullopt for anything else.
std::optional<int> parseSeconds(std::string_view text)
{
    auto const first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return std::nullopt;
    text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    if (text.front() < '0' || text.front() > '9')
        return std::nullopt;  // no sign: a negative delay means nothing
    long long seconds = 0;
    auto const [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (end != text.data() + text.size())
        return std::nullopt;
    if (error == std::errc::result_out_of_range)
        return LongestPoliteDelaySeconds;
    if (error != std::errc())
        return std::nullopt;
    return static_cast<int>(std::min<long long>(seconds, LongestPoliteDelaySeconds));
}

}  // namespace

int PoliteDelaySeconds(SettingsFile const& settings)
{
    return parseSeconds(settings.Read(GlobalSection, PoliteDelayKey, "0")).value_or(0);
}

void LoadPoliteDelayIntoControl(Window& window, SettingsFile const& settings)
{
    window.setText(PoliteDelayBox, std::to_string(PoliteDelaySeconds(settings)));
}

void OnPoliteDelayChange(Window& window, SettingsFile const& settings)
{
    std::optional<int> const seconds = parseSeconds(window.text(PoliteDelayBox));
    if (!seconds) {
        LoadPoliteDelayIntoControl(window, settings);
        return;
    }
    std::string const value = std::to_string(*seconds);
    if (window.text(PoliteDelayBox) != value)
        window.setText(PoliteDelayBox, value);
    settings.Write(GlobalSection, PoliteDelayKey, value);
}

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
