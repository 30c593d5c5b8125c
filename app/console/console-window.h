#pragma once

#include <cstdio>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "app/window.h"

namespace app::console {

// The window contract on a terminal: controls keep their state in memory,
// log entries go to stdout as the window's log gets them ("\r\n" written as
// "\n"), message boxes to stderr, and, when enabled, a one-line progress
// display on stderr. Any thread may call in; calls are serialised, which is
// the contract's "as if on the window thread, in order". Nothing grows with
// the number of photos: the log is written, not kept.
class ConsoleWindow : public Window {
public:
    // `progressLine`: draw the progress display (stderr is a terminal and
    // the user did not ask for quiet).
    // Without a progress line, a countdown of the job (the site limiting
    // access) still gets one line on `err` when it begins, if
    // `countdownLines`.
    ConsoleWindow(std::FILE* out, std::FILE* err, bool progressLine, bool countdownLines = true);
    ~ConsoleWindow() override;

    std::string text(std::string_view control) override;
    void setText(std::string_view control, std::string const& text) override;
    bool isChecked(std::string_view control) override;
    void setChecked(std::string_view control, bool checked) override;
    void setVisible(std::string_view control, bool visible) override;
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

    // Front-end side.
    void setDateTime(std::string const& control, net::DateTime const& value);
    // Removes the progress display, e.g. before the program ends.
    void clearProgressLine();

private:
    struct Row {
        std::map<int, std::string> cells;
        int checkState = 0;
    };

    void drawProgressLine();
    void eraseProgressLine();

    std::mutex m_mutex;
    std::FILE* m_out;
    std::FILE* m_err;
    bool const m_progressLine;
    bool const m_countdownLines;
    bool m_progressShown = false;
    std::map<std::string, std::string, std::less<>> m_texts;
    std::map<std::string, bool, std::less<>> m_checked;
    std::map<std::string, int, std::less<>> m_positions;
    std::map<std::string, int, std::less<>> m_maxima;
    std::map<std::string, net::DateTime, std::less<>> m_dates;
    std::vector<Row> m_rows;
    int m_covers = 0;
};

}  // namespace app::console
