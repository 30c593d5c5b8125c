#pragma once

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "app/window.h"

namespace bench {

// A window that keeps only current state (no history of effects), so the
// engine's own memory is what a measurement sees.
class BenchWindow : public app::Window {
public:
    std::string text(std::string_view control) override;
    void setText(std::string_view control, std::string const& text) override;
    bool isChecked(std::string_view control) override;
    void setChecked(std::string_view control, bool checked) override;
    void setVisible(std::string_view, bool) override {}
    int progressPosition(std::string_view) override;
    int progressMaximum(std::string_view) override;
    void setProgressPosition(std::string_view, int position) override;
    void setProgressMaximum(std::string_view, int maximum) override;
    void appendLog(std::string const& entry) override;
    void clearRows() override;
    int appendRow() override;
    int rowCount() override;
    std::string cellText(int row, int column) override;
    void setCellText(int row, int column, std::string const& text) override;
    void setCellImage(int, int, int) override {}
    int rowCheckState(int row) override;
    void setRowCheckState(int row, int state) override;
    void setColumnWidth(int, int) override {}
    void selectRow(int) override {}
    int addCoverImage(net::Bytes const&) override { return 0; }
    net::DateTime dateTime(std::string_view) override { return {}; }
    void messageBox(std::string const&) override {}
    void processEvents() override {}

    [[nodiscard]] std::string lastLog() const;

private:
    struct Row {
        std::map<int, std::string> cells;
        int checkState = 0;
    };
    mutable std::mutex m_mutex;
    std::map<std::string, std::string, std::less<>> m_texts;
    std::map<std::string, bool, std::less<>> m_checked;
    std::vector<Row> m_rows;
    int m_position = 0;
    int m_maximum = 100;
    std::string m_lastLog;
};

}  // namespace bench
