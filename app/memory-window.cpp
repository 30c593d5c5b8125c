#include "app/memory-window.h"

#include <algorithm>

namespace app {

namespace {

std::string const LogControl = "编辑框_操作记录";

template <typename Map, typename Key, typename Value>
Value valueOr(Map const& map, Key const& key, Value fallback)
{
    auto const found = map.find(key);
    return found == map.end() ? fallback : found->second;
}

}  // namespace

void MemoryWindow::record(std::string kind, std::string control, std::string value)
{
    m_effects.push_back({std::move(kind), std::move(control), std::move(value)});
}

std::string MemoryWindow::text(std::string_view control)
{
    std::lock_guard lock(m_mutex);
    if (control == LogControl)
        return m_log;
    return valueOr(m_texts, control, std::string());
}

void MemoryWindow::setText(std::string_view control, std::string const& text)
{
    std::lock_guard lock(m_mutex);
    m_texts.insert_or_assign(std::string(control), text);
    record("text", std::string(control), text);
}

bool MemoryWindow::isChecked(std::string_view control)
{
    std::lock_guard lock(m_mutex);
    return valueOr(m_checked, control, false);
}

void MemoryWindow::setChecked(std::string_view control, bool checked)
{
    std::lock_guard lock(m_mutex);
    m_checked.insert_or_assign(std::string(control), checked);
    record("checked", std::string(control), checked ? "1" : "0");
}

void MemoryWindow::setVisible(std::string_view control, bool visible)
{
    std::lock_guard lock(m_mutex);
    m_visible.insert_or_assign(std::string(control), visible);
    record("visible", std::string(control), visible ? "1" : "0");
}

void MemoryWindow::setEnabled(std::string_view control, bool enabled)
{
    std::lock_guard lock(m_mutex);
    m_enabled.insert_or_assign(std::string(control), enabled);
    record("enabled", std::string(control), enabled ? "1" : "0");
}

int MemoryWindow::progressPosition(std::string_view control)
{
    std::lock_guard lock(m_mutex);
    return valueOr(m_positions, control, 0);
}

int MemoryWindow::progressMaximum(std::string_view control)
{
    std::lock_guard lock(m_mutex);
    return valueOr(m_maxima, control, 100);
}

void MemoryWindow::setProgressPosition(std::string_view control, int position)
{
    std::lock_guard lock(m_mutex);
    // Held at the maximum, as a progress bar shows it.
    int const held = std::min(position, valueOr(m_maxima, control, 100));
    m_positions.insert_or_assign(std::string(control), held);
    record("position", std::string(control), std::to_string(held));
}

void MemoryWindow::setProgressMaximum(std::string_view control, int maximum)
{
    std::lock_guard lock(m_mutex);
    m_maxima.insert_or_assign(std::string(control), maximum);
    auto position = m_positions.find(control);
    if (position != m_positions.end())
        position->second = std::min(position->second, maximum);
    record("maximum", std::string(control), std::to_string(maximum));
}

void MemoryWindow::appendLog(std::string const& entry)
{
    std::lock_guard lock(m_mutex);
    m_log += entry;
    record("log", LogControl, entry);
}

void MemoryWindow::clearRows()
{
    std::lock_guard lock(m_mutex);
    m_rows.clear();
    m_selectedRow = -1;
    record("rows", "clear", "");
}

int MemoryWindow::appendRow()
{
    std::lock_guard lock(m_mutex);
    m_rows.emplace_back();
    int const index = static_cast<int>(m_rows.size()) - 1;
    record("rows", "append", std::to_string(index));
    return index;
}

int MemoryWindow::rowCount()
{
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_rows.size());
}

std::string MemoryWindow::cellText(int row, int column)
{
    std::lock_guard lock(m_mutex);
    if (row < 0 || row >= static_cast<int>(m_rows.size()))
        return {};
    return valueOr(m_rows[static_cast<size_t>(row)].cells, column, std::string());
}

void MemoryWindow::setCellText(int row, int column, std::string const& text)
{
    std::lock_guard lock(m_mutex);
    if (row < 0 || row >= static_cast<int>(m_rows.size()))
        return;
    m_rows[static_cast<size_t>(row)].cells[column] = text;
    record("cell", std::to_string(row) + "," + std::to_string(column), text);
}

void MemoryWindow::setCellImage(int row, int column, int imageIndex)
{
    std::lock_guard lock(m_mutex);
    if (row < 0 || row >= static_cast<int>(m_rows.size()))
        return;
    m_rows[static_cast<size_t>(row)].images[column] = imageIndex;
}

int MemoryWindow::rowCheckState(int row)
{
    std::lock_guard lock(m_mutex);
    if (row < 0 || row >= static_cast<int>(m_rows.size()))
        return 0;
    return m_rows[static_cast<size_t>(row)].checkState;
}

void MemoryWindow::setRowCheckState(int row, int state)
{
    std::lock_guard lock(m_mutex);
    if (row < 0 || row >= static_cast<int>(m_rows.size()))
        return;
    m_rows[static_cast<size_t>(row)].checkState = state;
}

void MemoryWindow::setColumnWidth(int column, int width)
{
    std::lock_guard lock(m_mutex);
    m_columnWidths[column] = width;
    record("width", std::to_string(column), std::to_string(width));
}

void MemoryWindow::selectRow(int row)
{
    std::lock_guard lock(m_mutex);
    m_selectedRow = row;
    record("select", std::to_string(row), "");
}

int MemoryWindow::addCoverImage(net::Bytes const& picture)
{
    std::lock_guard lock(m_mutex);
    m_covers.push_back(picture);
    return static_cast<int>(m_covers.size()) - 1;
}

net::DateTime MemoryWindow::dateTime(std::string_view control)
{
    std::lock_guard lock(m_mutex);
    return valueOr(m_dates, control, net::DateTime{});
}

void MemoryWindow::messageBox(std::string const& text)
{
    std::function<void(std::string const&)> hook;
    {
        std::lock_guard lock(m_mutex);
        m_messages.push_back(text);
        record("message", "信息：", text);
        hook = m_messageHook;
    }
    if (hook)
        hook(text);
}

void MemoryWindow::processEvents() {}

std::vector<MemoryWindow::Effect> MemoryWindow::effects() const
{
    std::lock_guard lock(m_mutex);
    return m_effects;
}

std::string MemoryWindow::log() const
{
    std::lock_guard lock(m_mutex);
    return m_log;
}

std::vector<std::string> MemoryWindow::messages() const
{
    std::lock_guard lock(m_mutex);
    return m_messages;
}

bool MemoryWindow::isVisible(std::string const& control) const
{
    std::lock_guard lock(m_mutex);
    return valueOr(m_visible, control, true);
}

bool MemoryWindow::isEnabled(std::string const& control) const
{
    std::lock_guard lock(m_mutex);
    return valueOr(m_enabled, control, true);
}

int MemoryWindow::columnWidth(int column) const
{
    std::lock_guard lock(m_mutex);
    return valueOr(m_columnWidths, column, -1);
}

std::vector<MemoryWindow::Row> MemoryWindow::rows() const
{
    std::lock_guard lock(m_mutex);
    return m_rows;
}

std::vector<net::Bytes> MemoryWindow::coverImages() const
{
    std::lock_guard lock(m_mutex);
    return m_covers;
}

int MemoryWindow::selectedRow() const
{
    std::lock_guard lock(m_mutex);
    return m_selectedRow;
}

void MemoryWindow::setDateTime(std::string const& control, net::DateTime const& value)
{
    std::lock_guard lock(m_mutex);
    m_dates.insert_or_assign(control, value);
}

void MemoryWindow::onMessageBox(std::function<void(std::string const&)> hook)
{
    std::lock_guard lock(m_mutex);
    m_messageHook = std::move(hook);
}

}  // namespace app
