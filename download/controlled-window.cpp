#include "download/controlled-window.h"

#include "net/job-control.h"

namespace download {

ControlledWindow::ControlledWindow(app::Window& window, net::JobControl& control)
    : m_window(window)
    , m_control(control)
{
}

bool ControlledWindow::mayRead() const
{
    return !m_control.isStopped();
}

bool ControlledWindow::mayWrite()
{
    return m_control.checkpoint();
}

std::string ControlledWindow::text(std::string_view control)
{
    return mayRead() ? m_window.text(control) : std::string();
}

void ControlledWindow::setText(std::string_view control, std::string const& text)
{
    if (mayWrite())
        m_window.setText(control, text);
}

bool ControlledWindow::isChecked(std::string_view control)
{
    return mayRead() && m_window.isChecked(control);
}

void ControlledWindow::setChecked(std::string_view control, bool checked)
{
    if (mayWrite())
        m_window.setChecked(control, checked);
}

void ControlledWindow::setVisible(std::string_view control, bool visible)
{
    if (mayWrite())
        m_window.setVisible(control, visible);
}

void ControlledWindow::setEnabled(std::string_view control, bool enabled)
{
    if (mayWrite())
        m_window.setEnabled(control, enabled);
}

int ControlledWindow::progressPosition(std::string_view control)
{
    return mayRead() ? m_window.progressPosition(control) : 0;
}

int ControlledWindow::progressMaximum(std::string_view control)
{
    return mayRead() ? m_window.progressMaximum(control) : 0;
}

void ControlledWindow::setProgressPosition(std::string_view control, int position)
{
    if (mayWrite())
        m_window.setProgressPosition(control, position);
}

void ControlledWindow::setProgressMaximum(std::string_view control, int maximum)
{
    if (mayWrite())
        m_window.setProgressMaximum(control, maximum);
}

void ControlledWindow::appendLog(std::string const& entry)
{
    if (mayWrite())
        m_window.appendLog(entry);
}

void ControlledWindow::clearRows()
{
    if (mayWrite())
        m_window.clearRows();
}

int ControlledWindow::appendRow()
{
    return mayWrite() ? m_window.appendRow() : -1;
}

int ControlledWindow::rowCount()
{
    return mayRead() ? m_window.rowCount() : 0;
}

std::string ControlledWindow::cellText(int row, int column)
{
    return mayRead() ? m_window.cellText(row, column) : std::string();
}

void ControlledWindow::setCellText(int row, int column, std::string const& text)
{
    if (mayWrite())
        m_window.setCellText(row, column, text);
}

void ControlledWindow::setCellImage(int row, int column, int imageIndex)
{
    if (mayWrite())
        m_window.setCellImage(row, column, imageIndex);
}

int ControlledWindow::rowCheckState(int row)
{
    return mayRead() ? m_window.rowCheckState(row) : 0;
}

void ControlledWindow::setRowCheckState(int row, int state)
{
    if (mayWrite())
        m_window.setRowCheckState(row, state);
}

void ControlledWindow::setColumnWidth(int column, int width)
{
    if (mayWrite())
        m_window.setColumnWidth(column, width);
}

void ControlledWindow::selectRow(int row)
{
    if (mayWrite())
        m_window.selectRow(row);
}

int ControlledWindow::addCoverImage(net::Bytes const& picture)
{
    return mayWrite() ? m_window.addCoverImage(picture) : -1;
}

net::DateTime ControlledWindow::dateTime(std::string_view control)
{
    return mayRead() ? m_window.dateTime(control) : net::DateTime{};
}

void ControlledWindow::messageBox(std::string const& text)
{
    if (mayWrite())
        m_window.messageBox(text);
}

void ControlledWindow::processEvents()
{
    if (mayRead())
        m_window.processEvents();
}

}  // namespace download
