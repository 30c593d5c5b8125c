#include "app/console/console-window.h"

#include <algorithm>

#include "app/throttle-countdown.h"

namespace app::console {

namespace {

constexpr char Progress[] = "进度条1";

// The labels the progress display is made of: the listing's status while
// it lists, then the job's album, photo counter and percentage.
constexpr char StatusLabel[] = "标签_动态";
constexpr char AlbumLabel[] = "标签_正在下载相册";
constexpr char const* ProgressLabels[] = {StatusLabel, AlbumLabel, "标签_第多少张照片", "标签_进度条比例"};

template <typename Map, typename Value>
Value valueOr(Map const& map, std::string_view key, Value fallback)
{
    auto const found = map.find(key);
    return found == map.end() ? fallback : found->second;
}

std::string withLineFeeds(std::string const& entry)
{
    std::string text;
    text.reserve(entry.size());
    for (size_t i = 0; i < entry.size(); ++i) {
        if (entry[i] == '\r' && i + 1 < entry.size() && entry[i + 1] == '\n')
            continue;
        text += entry[i];
    }
    return text;
}

bool isProgressLabel(std::string_view control)
{
    return std::ranges::find(ProgressLabels, control) != std::end(ProgressLabels);
}

}  // namespace

ConsoleWindow::ConsoleWindow(std::FILE* out, std::FILE* err, bool progressLine, bool countdownLines)
    : m_out(out), m_err(err), m_progressLine(progressLine), m_countdownLines(countdownLines)
{
}

ConsoleWindow::~ConsoleWindow()
{
    clearProgressLine();
}

void ConsoleWindow::eraseProgressLine()
{
    if (m_progressShown) {
        std::fputs("\r\033[K", m_err);
        std::fflush(m_err);
        m_progressShown = false;
    }
}

void ConsoleWindow::drawProgressLine()
{
    if (!m_progressLine)
        return;
    bool const downloading = !valueOr(m_texts, AlbumLabel, std::string()).empty();
    std::string line;
    for (char const* label : ProgressLabels) {
        std::string const value = valueOr(m_texts, label, std::string());
        // While photos come in the listing's status is old news, but a
        // countdown of the job shows there too.
        bool const shown = label != StatusLabel || !downloading || value.starts_with(CountdownLabelPrefix);
        if (!value.empty() && shown)
            line += (line.empty() ? "" : "  ") + value;
    }
    std::fputs(("\r\033[K" + line).c_str(), m_err);
    std::fflush(m_err);
    m_progressShown = true;
}

void ConsoleWindow::clearProgressLine()
{
    std::lock_guard lock(m_mutex);
    eraseProgressLine();
}

std::string ConsoleWindow::text(std::string_view control)
{
    std::lock_guard lock(m_mutex);
    return valueOr(m_texts, control, std::string());
}

void ConsoleWindow::setText(std::string_view control, std::string const& text)
{
    std::lock_guard lock(m_mutex);
    if (!m_progressLine && m_countdownLines && text.starts_with(CountdownLabelPrefix) &&
        !valueOr(m_texts, control, std::string()).starts_with(CountdownLabelPrefix)) {
        // No live line to count down on: say once that the job waits.
        std::fputs(("tervala-cli: " + text + "\n").c_str(), m_err);
        std::fflush(m_err);
    }
    m_texts.insert_or_assign(std::string(control), text);
    if (isProgressLabel(control))
        drawProgressLine();
}

bool ConsoleWindow::isChecked(std::string_view control)
{
    std::lock_guard lock(m_mutex);
    return valueOr(m_checked, control, false);
}

void ConsoleWindow::setChecked(std::string_view control, bool checked)
{
    std::lock_guard lock(m_mutex);
    m_checked.insert_or_assign(std::string(control), checked);
}

void ConsoleWindow::setVisible(std::string_view /*control*/, bool /*visible*/) {}

int ConsoleWindow::progressPosition(std::string_view control)
{
    std::lock_guard lock(m_mutex);
    return valueOr(m_positions, control, 0);
}

int ConsoleWindow::progressMaximum(std::string_view control)
{
    std::lock_guard lock(m_mutex);
    return valueOr(m_maxima, control, 100);
}

void ConsoleWindow::setProgressPosition(std::string_view control, int position)
{
    std::lock_guard lock(m_mutex);
    // Held at the maximum, as a progress bar shows it.
    m_positions.insert_or_assign(std::string(control), std::min(position, valueOr(m_maxima, control, 100)));
}

void ConsoleWindow::setProgressMaximum(std::string_view control, int maximum)
{
    std::lock_guard lock(m_mutex);
    m_maxima.insert_or_assign(std::string(control), maximum);
    auto const position = m_positions.find(control);
    if (position != m_positions.end())
        position->second = std::min(position->second, maximum);
    if (control == Progress)
        drawProgressLine();
}

void ConsoleWindow::appendLog(std::string const& entry)
{
    std::lock_guard lock(m_mutex);
    bool const redraw = m_progressShown;
    eraseProgressLine();
    std::string const text = withLineFeeds(entry);
    std::fwrite(text.data(), 1, text.size(), m_out);
    std::fflush(m_out);
    if (redraw)
        drawProgressLine();
}

void ConsoleWindow::clearRows()
{
    std::lock_guard lock(m_mutex);
    m_rows.clear();
}

int ConsoleWindow::appendRow()
{
    std::lock_guard lock(m_mutex);
    m_rows.emplace_back();
    return static_cast<int>(m_rows.size()) - 1;
}

int ConsoleWindow::rowCount()
{
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_rows.size());
}

std::string ConsoleWindow::cellText(int row, int column)
{
    std::lock_guard lock(m_mutex);
    if (row < 0 || row >= static_cast<int>(m_rows.size()))
        return {};
    auto const& cells = m_rows[static_cast<size_t>(row)].cells;
    auto const found = cells.find(column);
    return found == cells.end() ? std::string() : found->second;
}

void ConsoleWindow::setCellText(int row, int column, std::string const& text)
{
    std::lock_guard lock(m_mutex);
    if (row >= 0 && row < static_cast<int>(m_rows.size()))
        m_rows[static_cast<size_t>(row)].cells[column] = text;
}

// Covers are not shown on a terminal.
void ConsoleWindow::setCellImage(int /*row*/, int /*column*/, int /*imageIndex*/) {}

int ConsoleWindow::rowCheckState(int row)
{
    std::lock_guard lock(m_mutex);
    if (row < 0 || row >= static_cast<int>(m_rows.size()))
        return 0;
    return m_rows[static_cast<size_t>(row)].checkState;
}

void ConsoleWindow::setRowCheckState(int row, int state)
{
    std::lock_guard lock(m_mutex);
    if (row >= 0 && row < static_cast<int>(m_rows.size()))
        m_rows[static_cast<size_t>(row)].checkState = state;
}

void ConsoleWindow::setColumnWidth(int /*column*/, int /*width*/) {}

void ConsoleWindow::selectRow(int /*row*/) {}

int ConsoleWindow::addCoverImage(net::Bytes const& /*picture*/)
{
    std::lock_guard lock(m_mutex);
    return m_covers++;
}

net::DateTime ConsoleWindow::dateTime(std::string_view control)
{
    std::lock_guard lock(m_mutex);
    return valueOr(m_dates, control, net::DateTime{});
}

void ConsoleWindow::setDateTime(std::string const& control, net::DateTime const& value)
{
    std::lock_guard lock(m_mutex);
    m_dates.insert_or_assign(control, value);
}

void ConsoleWindow::messageBox(std::string const& text)
{
    std::lock_guard lock(m_mutex);
    eraseProgressLine();
    std::fputs((text + "\n").c_str(), m_err);
    std::fflush(m_err);
}

void ConsoleWindow::processEvents() {}

}  // namespace app::console
