#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <type_traits>
#include <vector>

#include <QHash>
#include <QMetaObject>
#include <QPointer>
#include <QThread>
#include <QWidget>

#include "app/window.h"

class QMessageBox;

namespace app::qt {

class AlbumListView;

// The window contract over real widgets, found by their design names
// (objectName) under one root widget. A call from another thread is carried
// out on the root's thread while the caller waits, in the order made. Once
// closing has begun, calls from other threads return at once with empty
// values, so a worker never waits on a window that is going away.
class QtWindow : public Window {
public:
    explicit QtWindow(QWidget* root);

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
    // On the window thread: a modal box. From a worker: a box that leaves
    // the window usable; the worker waits until it is closed.
    void messageBox(std::string const& text) override;
    void processEvents() override;

    // From here on, calls from other threads return at once and open
    // worker boxes are closed. Window thread only.
    void beginClosing();
    [[nodiscard]] bool isClosing() const { return m_closing.load(); }

    // Runs `call` on the window thread and waits for it; returns its result,
    // or a value-initialised one when the window is closing.
    template <typename Call>
    auto onWindowThread(Call call) -> std::invoke_result_t<Call>
    {
        using Result = std::invoke_result_t<Call>;
        if (QThread::currentThread() == m_thread) return call();
        if constexpr (std::is_void_v<Result>) {
            if (m_closing.load() || !m_root) return;
            QMetaObject::invokeMethod(
                m_root.data(), [&] { if (!m_closing.load()) call(); }, Qt::BlockingQueuedConnection);
        } else {
            Result result{};
            if (m_closing.load() || !m_root) return result;
            QMetaObject::invokeMethod(
                m_root.data(), [&] { if (!m_closing.load()) result = call(); }, Qt::BlockingQueuedConnection);
            return result;
        }
    }

private:
    struct WorkerBox;

    QWidget* find(QString const& name);
    template <typename Widget>
    Widget* find(std::string_view name)
    {
        return qobject_cast<Widget*>(find(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()))));
    }
    AlbumListView* albumList();
    void showWorkerBox(std::shared_ptr<WorkerBox> const& box, QString const& text);

    QPointer<QWidget> m_root;
    QThread* m_thread;
    std::atomic<bool> m_closing{false};
    QHash<QString, QPointer<QWidget>> m_controls;  // window thread only
    std::mutex m_boxesMutex;
    std::vector<std::shared_ptr<WorkerBox>> m_boxes;
};

}  // namespace app::qt
