#include "bench/download/bench-window.h"

#include <algorithm>

namespace bench {

std::string BenchWindow::text(std::string_view control)
{
    std::lock_guard lock(m_mutex);
    auto const found = m_texts.find(control);
    return found == m_texts.end() ? std::string() : found->second;
}

void BenchWindow::setText(std::string_view control, std::string const& text)
{
    std::lock_guard lock(m_mutex);
    m_texts.insert_or_assign(std::string(control), text);
}

bool BenchWindow::isChecked(std::string_view control)
{
    std::lock_guard lock(m_mutex);
    auto const found = m_checked.find(control);
    return found != m_checked.end() && found->second;
}

void BenchWindow::setChecked(std::string_view control, bool checked)
{
    std::lock_guard lock(m_mutex);
    m_checked.insert_or_assign(std::string(control), checked);
}

int BenchWindow::progressPosition(std::string_view)
{
    std::lock_guard lock(m_mutex);
    return m_position;
}

int BenchWindow::progressMaximum(std::string_view)
{
    std::lock_guard lock(m_mutex);
    return m_maximum;
}

void BenchWindow::setProgressPosition(std::string_view, int position)
{
    std::lock_guard lock(m_mutex);
    m_position = std::min(position, m_maximum);
}

void BenchWindow::setProgressMaximum(std::string_view, int maximum)
{
    std::lock_guard lock(m_mutex);
    m_maximum = maximum;
}

void BenchWindow::appendLog(std::string const& entry)
{
    std::lock_guard lock(m_mutex);
    m_lastLog = entry;
}

void BenchWindow::clearRows()
{
    std::lock_guard lock(m_mutex);
    m_rows.clear();
}

int BenchWindow::appendRow()
{
    std::lock_guard lock(m_mutex);
    m_rows.emplace_back();
    return static_cast<int>(m_rows.size()) - 1;
}

int BenchWindow::rowCount()
{
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_rows.size());
}

std::string BenchWindow::cellText(int row, int column)
{
    std::lock_guard lock(m_mutex);
    if (row < 0 || row >= static_cast<int>(m_rows.size()))
        return {};
    auto const& cells = m_rows[static_cast<std::size_t>(row)].cells;
    auto const found = cells.find(column);
    return found == cells.end() ? std::string() : found->second;
}

void BenchWindow::setCellText(int row, int column, std::string const& text)
{
    std::lock_guard lock(m_mutex);
    if (row >= 0 && row < static_cast<int>(m_rows.size()))
        m_rows[static_cast<std::size_t>(row)].cells[column] = text;
}

int BenchWindow::rowCheckState(int row)
{
    std::lock_guard lock(m_mutex);
    return row >= 0 && row < static_cast<int>(m_rows.size()) ? m_rows[static_cast<std::size_t>(row)].checkState : 0;
}

void BenchWindow::setRowCheckState(int row, int state)
{
    std::lock_guard lock(m_mutex);
    if (row >= 0 && row < static_cast<int>(m_rows.size()))
        m_rows[static_cast<std::size_t>(row)].checkState = state;
}

std::string BenchWindow::lastLog() const
{
    std::lock_guard lock(m_mutex);
    return m_lastLog;
}

}  // namespace bench
