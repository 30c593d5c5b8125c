#include "app/qt/main-window.h"

#include <chrono>

#include <QAbstractButton>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabWidget>
#include <QUrl>

#include "app/arrange-controls.h"
#include "app/program-folder.h"
#include "app/program-state.h"
#include "app/qt/album-list-view.h"
#include "app/qt/design-geometry.h"
#include "app/qt/login-browser.h"
#include "app/qt/qt-window.h"
#include "app/qt/theme.h"
#include "app/settings-controls.h"
#include "app/settings-file.h"
#include "app/update-check.h"
#include "catalogue/catalogue.h"
#include "download/download-job.h"

namespace app::qt {

namespace {

constexpr int SkinNumber = 13;
constexpr int SettingsPage = 2;
constexpr int UrlBoxStartWidth = 624;
// How long closing waits for a short background task (update check,
// opening the home page) before leaving it to finish on its own.
constexpr auto BackgroundGrace = std::chrono::seconds(5);

char const* const SettingsControls[] = {"选择框_下载记录", "选择框_时间段", "选择框_浏览模式",
                                        "选择框_api模式", "单选框_中图", "单选框_原图"};

QString U(char const* text)
{
    return QString::fromUtf8(text);
}

// Half-width and ideographic spaces off both ends.
QString TrimSpaces(QString text)
{
    auto isSpace = [](QChar c) { return c == QLatin1Char(' ') || c == QChar(0x3000); };
    while (!text.isEmpty() && isSpace(text.front())) text.remove(0, 1);
    while (!text.isEmpty() && isSpace(text.back())) text.chop(1);
    return text;
}

MainWindow::Desktop SystemDesktop(QWidget* owner)
{
    return {
        [](QString const& address) { QDesktopServices::openUrl(QUrl(address)); },
        [](QString const& folder) { QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); },
        [owner](QString const& title, QString const& initial) {
            return QFileDialog::getExistingDirectory(owner, title, initial);
        },
        [](Window& window) { UpdateCheck(window); },
    };
}

}  // namespace

MainWindow::MainWindow(QWidget* parent) : MainWindow(SystemDesktop(this), parent) {}

MainWindow::MainWindow(Desktop desktop, QWidget* parent) : QWidget(parent), m_desktop(std::move(desktop))
{
    LoadResources();
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QStringLiteral("Tervala"));
    setAttribute(Qt::WA_StyledBackground);
    buildControls();
    m_window = std::make_shared<QtWindow>(this);
    m_catalogue = std::make_unique<catalogue::Catalogue>(*m_window);
    m_job = std::make_unique<download::DownloadJob>(*m_window);
    connectHandlers();
    move(50, 50);
    resize(940, 667);
    startUp();
}

MainWindow::~MainWindow()
{
    shutDown();
}

Window& MainWindow::window()
{
    return *m_window;
}

void MainWindow::connectHandlers()
{
    auto button = [this](char const* name) { return findChild<QAbstractButton*>(U(name)); };
    auto onClick = [&](char const* name, auto handler) {
        connect(button(name), &QAbstractButton::clicked, this, handler);
    };

    onClick("按钮_打开", [this] { m_browser->navigate(findChild<QLineEdit*>(U("编辑框_url"))->text()); });
    connect(m_browser, &LoginBrowser::navigated, this,
            [this](QString const& address) { m_window->setText("编辑框_url", address.toStdString()); });
    connect(m_tabs, &QTabWidget::currentChanged, this, &MainWindow::onTabChange);

    onClick("按钮_获取相册封面", [this] { m_catalogue->onGetAlbumsClick(); });
    onClick("选择框_全选", [this] { m_catalogue->onTickAllClick(); });
    onClick("选择框_反选", [this] { m_catalogue->onInvertClick(); });
    m_albumList->onRowCheck([this](int row, int state) { m_catalogue->onRowCheck(row, state); });
    onClick("按钮_下载选中", [this] { m_job->start(); });
    onClick("按钮_暂停线程", [this] { m_job->pause(); });
    onClick("按钮_继续下载", [this] { m_job->resume(); });
    onClick("按钮_结束下载", [this] { m_job->stop(); });
    onClick("按钮_选择位置", [this] { chooseLocation(); });
    onClick("按钮_打开目录", [this] { openSaveFolder(); });

    for (char const* name : SettingsControls) {
        onClick(name, [this, name] { OnSettingsControlClick(*m_window, ProgramSettings(), name); });
    }
    connect(findChild<QSpinBox*>(U("编辑框_请求间隔")), &QSpinBox::valueChanged, this,
            [this] { OnPoliteDelayChange(*m_window, ProgramSettings()); });
    onClick("按钮2", [this] { m_desktop.openAddress(QString::fromStdString(ProgramState::instance().site().contactUrl)); });
    onClick("按钮_checknew", [this] { runUpdateCheckInBackground(); });
}

void MainWindow::startUp()
{
    AttachSkin(SkinNumber);
    m_updateCheckLatch = 1;
    SetDesignWidth(findChild<QWidget*>(U("编辑框_url")), UrlBoxStartWidth);
    m_window->setText("标签_banben", VersionText);
    LoadSettingsIntoControls(*m_window, ProgramSettings());
    LoadPoliteDelayIntoControl(*m_window, ProgramSettings());
    for (int column : {5, 6, 7}) m_window->setColumnWidth(column, 0);
    m_window->setText("编辑框_保存位置", ProgramFolder());
    // Opening the home page: a short-lived thread whose browser call is
    // carried out on the window thread.
    std::string const home = ProgramState::instance().site().siteWebRoot;
    startBackground([this, window = m_window, home] {
        window->onWindowThread([this, home] { m_browser->navigate(QString::fromStdString(home)); });
        window->processEvents();
    });
    QCoreApplication::processEvents();
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    int const frame = frameGeometry().width() - geometry().width();
    arrangeControls(width() + std::max(0, frame));
}

void MainWindow::arrangeControls(int outerWidth)
{
    for (ControlChange const& change : ArrangeControls(outerWidth)) {
        auto* widget = QString::fromStdString(change.control) == objectName()
                           ? this
                           : findChild<QWidget*>(QString::fromStdString(change.control));
        if (!widget) continue;
        if (change.property == ControlChange::Property::Left) {
            SetDesignLeft(widget, change.value);
        } else {
            SetDesignWidth(widget, change.value);
        }
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    auto* widget = qobject_cast<QWidget*>(watched);
    bool const moved = event->type() == QEvent::Move || event->type() == QEvent::Resize || event->type() == QEvent::Show;
    if (moved && widget && std::find(m_pages.begin(), m_pages.end(), widget) != m_pages.end()) {
        placePageChildren(widget);
    } else if (moved && qobject_cast<QStackedWidget*>(widget)) {
        for (QWidget* page : m_pages) placePageChildren(page);
    }
    if (widget && widget->objectName() == U("标签7") && event->type() == QEvent::MouseButtonPress
        && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        m_desktop.openAddress(QString::fromStdString(ProgramState::instance().site().otherToolsUrl));
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::placePageChildren(QWidget* page)
{
    // The design places of a page's controls count from the tab control.
    SetDesignOrigin(page, page->mapTo(m_tabs, QPoint(0, 0)));
}

void MainWindow::onToolbarClick(int index)
{
    switch (index) {
    case 0:
    case 2:
        m_tabs->setCurrentIndex(index / 2);
        break;
    case 4:
        m_tabs->setCurrentIndex(SettingsPage);
        startAutomaticUpdateCheck();
        break;
    case 6:
        m_desktop.openAddress(QString::fromStdString(ProgramState::instance().site().feedbackPageUrl));
        break;
    default:
        break;  // a separator
    }
}

void MainWindow::onTabChange(int index)
{
    if (index == SettingsPage) startAutomaticUpdateCheck();
}

void MainWindow::startAutomaticUpdateCheck()
{
    if (m_updateCheckLatch != 1) return;
    runUpdateCheckInBackground();
    ++m_updateCheckLatch;
}

void MainWindow::runUpdateCheckInBackground()
{
    if (m_shutDown) return;
    ++m_updateChecksStarted;
    // The page request must not freeze the window: the check runs on its own
    // thread and its label changes and box are marshalled.
    startBackground([window = m_window, check = m_desktop.updateCheck] { check(*window); });
}

void MainWindow::startBackground(std::function<void()> task)
{
    std::erase_if(m_background, [](Background& finished) {
        if (!finished.done->load()) return false;
        finished.thread.join();
        return true;
    });
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::thread thread([task = std::move(task), done] {
        task();
        done->store(true);
    });
    m_background.push_back({std::move(thread), std::move(done)});
}

void MainWindow::chooseLocation()
{
    QString const chosen = TrimSpaces(m_desktop.chooseFolder(U("选择相册的存放位置"), QDir::homePath()));
    m_window->setText("编辑框_保存位置", chosen.toStdString());
    if (m_window->text("编辑框_保存位置").empty()) m_window->setText("编辑框_保存位置", ProgramFolder());
}

void MainWindow::openSaveFolder()
{
    std::string folder = m_window->text("编辑框_保存位置");
    if (folder.empty()) folder = ProgramFolder();
    m_desktop.openFolder(QString::fromStdString(folder));
}

bool MainWindow::isIdle() const
{
    bool const backgroundDone = std::all_of(m_background.begin(), m_background.end(),
                                            [](Background const& task) { return task.done->load(); });
    return backgroundDone && !(m_job && m_job->isRunning()) && !(m_catalogue && m_catalogue->isListing());
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    shutDown();
    event->accept();
}

void MainWindow::shutDown()
{
    if (m_shutDown) return;
    m_shutDown = true;
    // From here a worker's window call returns at once, so a worker blocked
    // in one is released by the events processed below while we wait.
    m_window->beginClosing();
    if (m_job) m_job->stop();
    // A listing may be counting down a refusal wait of minutes.
    if (m_catalogue) m_catalogue->stop();
    auto const graceEnd = std::chrono::steady_clock::now() + BackgroundGrace;
    auto workersRunning = [this] {
        return (m_job && m_job->isRunning()) || (m_catalogue && m_catalogue->isListing());
    };
    auto backgroundRunning = [this] {
        return std::any_of(m_background.begin(), m_background.end(),
                           [](Background const& task) { return !task.done->load(); });
    };
    while (workersRunning() || (backgroundRunning() && std::chrono::steady_clock::now() < graceEnd)) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    m_job.reset();
    m_catalogue.reset();
    for (Background& task : m_background) {
        // A task still running holds its own reference to the closed window
        // contract, whose calls now return at once; it ends on its own.
        if (task.done->load()) {
            task.thread.join();
        } else {
            task.thread.detach();
        }
    }
    m_background.clear();
}

}  // namespace app::qt
