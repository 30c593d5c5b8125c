#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "app/window.h"

namespace app {

// A window without a toolkit: keeps every control's state and the ordered
// list of visible effects, so a test can assert "the log got X, then the
// label read Y". Any thread may call in; calls are serialised, which is the
// contract's "as if on the window thread, in order".
class MemoryWindow : public Window {
public:
    // One visible effect, in the order made.
    struct Effect {
        std::string kind;     // "text", "checked", "visible", "position", "maximum", "log", "message", "rows", "width", "select", "enabled"
        std::string control;  // design name; for list effects the row/column as text
        std::string value;
        bool operator==(Effect const&) const = default;
    };

    struct Row {
        std::map<int, std::string> cells;
        std::map<int, int> images;
        int checkState = 0;
    };

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

    // Test side.
    [[nodiscard]] std::vector<Effect> effects() const;
    [[nodiscard]] std::string log() const;  // the whole operation log
    [[nodiscard]] std::vector<std::string> messages() const;
    [[nodiscard]] bool isVisible(std::string const& control) const;  // never written: true
    [[nodiscard]] bool isEnabled(std::string const& control) const;  // never written: true
    [[nodiscard]] int columnWidth(int column) const;                 // never written: -1
    [[nodiscard]] std::vector<Row> rows() const;
    [[nodiscard]] std::vector<net::Bytes> coverImages() const;
    [[nodiscard]] int selectedRow() const;                           // none: -1
    void setDateTime(std::string const& control, net::DateTime const& value);
    // Called (outside the window's lock) by messageBox(), e.g. to hold a worker.
    void onMessageBox(std::function<void(std::string const&)> hook);

private:
    void record(std::string kind, std::string control, std::string value);

    mutable std::mutex m_mutex;
    std::map<std::string, std::string, std::less<>> m_texts;
    std::map<std::string, bool, std::less<>> m_checked;
    std::map<std::string, bool, std::less<>> m_visible;
    std::map<std::string, bool, std::less<>> m_enabled;
    std::map<std::string, int, std::less<>> m_positions;
    std::map<std::string, int, std::less<>> m_maxima;
    std::map<std::string, net::DateTime, std::less<>> m_dates;
    std::map<int, int> m_columnWidths;
    std::vector<Row> m_rows;
    std::vector<net::Bytes> m_covers;
    std::vector<std::string> m_messages;
    std::vector<Effect> m_effects;
    std::string m_log;
    int m_selectedRow = -1;
    std::function<void(std::string const&)> m_messageHook;
};

}  // namespace app
