#pragma once

#include "app/window.h"

namespace net {
class JobControl;
}

namespace download {

// The window as a download worker sees it. Every display update first waits
// out a pause, and once the job is stopped nothing reaches the window any
// more: a stopped worker can neither write nor show a box while it unwinds.
// Reads made after the stop answer empty values.
class ControlledWindow : public app::Window {
public:
    ControlledWindow(app::Window& window, net::JobControl& control);

    std::string text(std::string_view control) override;
    void setText(std::string_view control, std::string const& text) override;
    bool isChecked(std::string_view control) override;
    void setChecked(std::string_view control, bool checked) override;
    void setVisible(std::string_view control, bool visible) override;
    void setEnabled(std::string_view control, bool enabled) override;
    int progressPosition(std::string_view control) override;
    int progressMaximum(std::string_view control) override;
    void setProgressPosition(std::string_view control, int position) override;
    void setProgressMaximum(std::string_view control, int maximum) override;
    void appendLog(std::string const& entry) override;
    void clearRows() override;
    int appendRow() override;
    int rowCount() override;
    std::string cellText(int row, int column) override;
    void setCellText(int row, int column, std::string const& text) override;
    void setCellImage(int row, int column, int imageIndex) override;
    int rowCheckState(int row) override;
    void setRowCheckState(int row, int state) override;
    void setColumnWidth(int column, int width) override;
    void selectRow(int row) override;
    int addCoverImage(net::Bytes const& picture) override;
    net::DateTime dateTime(std::string_view control) override;
    void messageBox(std::string const& text) override;
    void processEvents() override;

private:
    [[nodiscard]] bool mayRead() const;
    [[nodiscard]] bool mayWrite();

    app::Window& m_window;
    net::JobControl& m_control;
};

}  // namespace download
