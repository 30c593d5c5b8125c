// A whole run through the window against the loopback site: type a user's
// address, get the albums, download them with pause, continue and stop on
// the way, and close the window in the middle of a job.
#include <filesystem>
#include <memory>

#include <QAbstractButton>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include "app/qt/main-window.h"
#include "app/qt/qt-window.h"
#include "tests/qt/test-main.h"
#include "tests/qt/window-test-support.h"
#include "tests/support/fake-site.h"
#include "tests/support/sandbox.h"

using namespace window_test;
using app::qt::MainWindow;
namespace fs = std::filesystem;

namespace {

std::string MediumPath(std::string const& id)
{
    return "/view/photo/photo/public/p" + id + ".jpg";
}

int PhotoFilesUnder(fs::path const& folder)
{
    int count = 0;
    if (!fs::exists(folder)) return 0;
    for (auto const& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file() && entry.path().extension() == ".jpg") ++count;
    }
    return count;
}

}  // namespace

class WholeRunTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<testing_support::Sandbox> m_sandbox;
    std::unique_ptr<testing_support::FakeSite> m_site;
    RecordingDesktop m_desktop;
    std::unique_ptr<MainWindow> m_window;
    fs::path m_saveFolder;

    void click(char const* name) { Control<QAbstractButton>(m_window.get(), name)->click(); }
    bool shown(char const* name) { return !Control<QWidget>(m_window.get(), name)->isHidden(); }
    // 按钮_下载选中, 按钮_暂停线程, 按钮_继续下载, 按钮_结束下载
    QString buttons()
    {
        QString state;
        for (char const* name : {"按钮_下载选中", "按钮_暂停线程", "按钮_继续下载", "按钮_结束下载"}) {
            state += shown(name) ? QLatin1Char('1') : QLatin1Char('0');
        }
        return state;
    }
    QString log() { return Control<QPlainTextEdit>(m_window.get(), "编辑框_操作记录")->toPlainText(); }
    bool held(std::string const& path) { return m_site->waitForHeld(path, std::chrono::milliseconds(0)); }

    void listAlbums()
    {
        Control<QLineEdit>(m_window.get(), "编辑框_号码")->setText(QString::fromStdString(m_site->userAddress("xiaoming")));
        m_window->tabs()->setCurrentIndex(1);
        click("按钮_获取相册封面");
        QTRY_VERIFY_WITH_TIMEOUT(m_window->isIdle() && m_window->window().rowCount() == 2, 20000);
        QCOMPARE(m_window->window().rowCheckState(0), 1);
        QCOMPARE(m_window->window().rowCheckState(1), 1);
    }

    // Closes the modal box the window thread is showing, noting its text.
    void closeModalBox(QString& seen)
    {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            QTimer::singleShot(20, this, [this, &seen] { closeModalBox(seen); });
            return;
        }
        seen = box->text();
        box->button(QMessageBox::Ok)->click();
    }

private slots:
    void init()
    {
        m_sandbox = std::make_unique<testing_support::Sandbox>();
        m_site = std::make_unique<testing_support::FakeSite>();
        m_site->addAlbum({"501", "春天", testing_support::NumberedPhotos("51", 3), {}, {}});
        m_site->addAlbum({"502", "夏天", testing_support::NumberedPhotos("52", 2), {}, {}});
        m_site->addUser({"xiaoming", "小明", {"501", "502"}});
        app::SiteConfig site = m_site->siteConfig();
        site.feedbackPageUrl = site.otherToolsUrl = site.contactUrl = m_site->root() + "/elsewhere";
        app::ProgramState::instance().setSite(site);
        m_window = std::make_unique<MainWindow>(m_desktop.desktop());
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        m_saveFolder = m_sandbox->root() / "相册";
        Control<QLineEdit>(m_window.get(), "编辑框_保存位置")->setText(QString::fromStdString(m_saveFolder.string()));
    }

    void cleanup()
    {
        for (QMessageBox* box : OpenBoxes()) box->close();
        m_window.reset();
        m_site.reset();
        m_sandbox.reset();
    }

    void anEmptyAddressGetsAModalBoxAndNoListing()
    {
        QString seen;
        QTimer::singleShot(0, this, [&] { closeModalBox(seen); });
        click("按钮_获取相册封面");  // returns once the box is closed
        QCOMPARE(seen, U("请输入网址"));
        QCOMPARE(m_window->window().rowCount(), 0);
        QVERIFY(m_window->isIdle());
    }

    void aWholeRunWithPauseAndContinue()
    {
        listAlbums();
        QCOMPARE(m_window->window().cellText(0, 2), "春天");
        QCOMPARE(buttons(), QStringLiteral("1000"));

        m_site->hold(MediumPath("512"));
        click("按钮_下载选中");
        QCOMPARE(buttons(), QStringLiteral("0101"));  // running
        QTRY_VERIFY_WITH_TIMEOUT(held(MediumPath("512")), 20000);
        click("按钮_暂停线程");
        QCOMPARE(buttons(), QStringLiteral("0011"));  // paused
        m_site->release(MediumPath("512"));
        QTest::qWait(200);
        QVERIFY(OpenBoxes().isEmpty());
        click("按钮_继续下载");
        QCOMPARE(buttons(), QStringLiteral("0101"));

        QTRY_COMPARE_WITH_TIMEOUT(OpenBoxes().size(), 1, 30000);
        QCOMPARE(OpenBoxes().front()->text(), U("全部下载完毕"));
        QVERIFY(log().contains(U("-------全部下载完毕--------\n\n")));
        QCOMPARE(buttons(), QStringLiteral("1000"));
        QCOMPARE(PhotoFilesUnder(m_saveFolder), 5);
        OpenBoxes().front()->button(QMessageBox::Ok)->click();
        QTRY_VERIFY(m_window->isIdle());
    }

    void stopEndsTheJobWithoutItsEndStep()
    {
        listAlbums();
        m_site->hold(MediumPath("512"));
        click("按钮_下载选中");
        QTRY_VERIFY_WITH_TIMEOUT(held(MediumPath("512")), 20000);
        click("按钮_结束下载");
        QCOMPARE(buttons(), QStringLiteral("1000"));
        m_site->release(MediumPath("512"));
        QTRY_VERIFY_WITH_TIMEOUT(m_window->isIdle(), 20000);
        QVERIFY(OpenBoxes().isEmpty());
        QVERIFY(!log().contains(U("全部下载完毕")));
        QVERIFY(PhotoFilesUnder(m_saveFolder) < 5);
    }

    void closingInTheMiddleOfAJob()
    {
        listAlbums();
        m_site->hold(MediumPath("512"));
        click("按钮_下载选中");
        QTRY_VERIFY_WITH_TIMEOUT(held(MediumPath("512")), 20000);
        auto const started = std::chrono::steady_clock::now();
        m_window->close();
        QVERIFY(m_window->isIdle());
        QVERIFY(std::chrono::steady_clock::now() - started < std::chrono::seconds(15));
        m_site->release(MediumPath("512"));
        QVERIFY(OpenBoxes().isEmpty());
        m_window.reset();
    }
};

TERVALA_QTEST_MAIN(WholeRunTest)
#include "whole-run-test.moc"
