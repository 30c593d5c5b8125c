#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include <QString>
#include <QWidget>

class QTabWidget;
class QToolBar;

namespace catalogue {
class Catalogue;
}
namespace download {
class DownloadJob;
}

namespace app {
class Window;
}

namespace app::qt {

class AlbumListView;
class LoginBrowser;
class QtWindow;

// The one main window: toolbar, rule and the three tab pages with every
// control under its design name, the layout rules, the start-up sequence,
// the click handlers and the shut-down of every worker.
class MainWindow : public QWidget {
    Q_OBJECT
public:
    // Outside actions, replaceable so tests can watch them.
    struct Desktop {
        std::function<void(QString const&)> openAddress;                          // system browser
        std::function<void(QString const&)> openFolder;                           // file manager
        std::function<QString(QString const& title, QString const& initial)> chooseFolder;  // "" when cancelled
        std::function<void(app::Window&)> updateCheck;                                 // on a background thread
    };

    explicit MainWindow(QWidget* parent = nullptr);
    MainWindow(Desktop desktop, QWidget* parent = nullptr);
    ~MainWindow() override;
    MainWindow(MainWindow const&) = delete;
    MainWindow& operator=(MainWindow const&) = delete;

    [[nodiscard]] app::Window& window();
    [[nodiscard]] QTabWidget* tabs() const { return m_tabs; }
    [[nodiscard]] QToolBar* toolbar() const { return m_toolbar; }
    [[nodiscard]] AlbumListView* albumList() const { return m_albumList; }
    [[nodiscard]] LoginBrowser* browser() const { return m_browser; }
    [[nodiscard]] int updateCheckLatch() const { return m_updateCheckLatch; }
    // Background update checks started so far (button and automatic).
    [[nodiscard]] int updateChecksStarted() const { return m_updateChecksStarted; }
    // No background task, listing or download job is running.
    [[nodiscard]] bool isIdle() const;

    // The click handler of 工具条1; `index` counts separators too.
    void onToolbarClick(int index);
    // The page-change handler of 高级选择夹1.
    void onTabChange(int index);
    // Stops and joins every worker; the window stays usable for nothing
    // after it. Called on close and by the destructor.
    void shutDown();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void buildLoginPage(QWidget* page);
    void buildAlbumPage(QWidget* page);
    void buildSettingsPage(QWidget* page);
    void connectHandlers();
    void startUp();
    void arrangeControls(int outerWidth);
    void placePageChildren(QWidget* page);
    void startBackground(std::function<void()> task);
    void startAutomaticUpdateCheck();
    void runUpdateCheckInBackground();
    void chooseLocation();
    void openSaveFolder();

    Desktop m_desktop;
    QToolBar* m_toolbar = nullptr;
    QTabWidget* m_tabs = nullptr;
    AlbumListView* m_albumList = nullptr;
    LoginBrowser* m_browser = nullptr;
    std::vector<QWidget*> m_pages;
    std::shared_ptr<QtWindow> m_window;
    std::unique_ptr<catalogue::Catalogue> m_catalogue;
    std::unique_ptr<download::DownloadJob> m_job;

    struct Background {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    std::vector<Background> m_background;
    int m_updateCheckLatch = 0;
    int m_updateChecksStarted = 0;
    bool m_shutDown = false;
};

}  // namespace app::qt
