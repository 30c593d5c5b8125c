// The window contract on real widgets: a worker's calls are carried out on
// the window thread, in order, while the worker waits; a worker's box leaves
// the window usable; the album list's rows, check boxes and covers; closing
// releases a worker that is calling in.
#include <atomic>
#include <chrono>
#include <thread>

#include <QAbstractButton>
#include <QBuffer>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTest>
#include <QTimer>

#include "app/qt/album-list-view.h"
#include "app/qt/main-window.h"
#include "app/qt/qt-window.h"
#include "tests/qt/test-main.h"
#include "tests/qt/window-test-support.h"
#include "tests/support/sandbox.h"

using namespace window_test;
using app::qt::MainWindow;

namespace {

std::string Encoded(QImage const& image, char const* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes.toStdString();
}

}  // namespace

class QtWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<testing_support::Sandbox> m_sandbox;
    RecordingDesktop m_desktop;
    std::unique_ptr<MainWindow> m_window;

    app::Window& contract() { return m_window->window(); }

    // Runs `work` on a worker thread while the window thread keeps handling
    // events; returns once the worker has ended.
    template <typename Work>
    void onWorker(Work work)
    {
        std::atomic<bool> done{false};
        std::thread worker([&] {
            work();
            done = true;
        });
        QTRY_VERIFY_WITH_TIMEOUT(done.load(), 20000);
        worker.join();
    }

private slots:
    void init()
    {
        m_sandbox = std::make_unique<testing_support::Sandbox>();
        app::ProgramState::instance().setSite(NowhereSite());
        m_window = std::make_unique<MainWindow>(m_desktop.desktop());
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    void cleanup()
    {
        m_window.reset();
        m_sandbox.reset();
    }

    void workerCallsLandOnTheWindowThreadInOrder()
    {
        auto* label = Control<QLabel>(m_window.get(), "标签_动态");
        std::vector<std::string> readBack;
        onWorker([&] {
            for (int i = 0; i < 50; ++i) {
                contract().setText("标签_动态", "step " + std::to_string(i));
                // The call has been carried out when it returns.
                readBack.push_back(contract().text("标签_动态"));
                contract().appendLog("entry " + std::to_string(i) + "\r\n\r\n");
            }
        });
        for (int i = 0; i < 50; ++i) QCOMPARE(readBack[static_cast<size_t>(i)], "step " + std::to_string(i));
        QCOMPARE(label->text(), QStringLiteral("step 49"));
        QString const log = Control<QPlainTextEdit>(m_window.get(), "编辑框_操作记录")->toPlainText();
        QString expected;
        for (int i = 0; i < 50; ++i) expected += QStringLiteral("entry %1\n\n").arg(i);
        QCOMPARE(log, expected);
        QCOMPARE(contract().text("编辑框_操作记录"), expected.replace("\n", "\r\n").toStdString());
    }

    void aWorkersBoxLeavesTheWindowUsable()
    {
        std::atomic<bool> returned{false};
        std::thread worker([&] {
            contract().messageBox("全部下载完毕");
            returned = true;
        });
        QTRY_COMPARE(OpenBoxes().size(), 1);
        QMessageBox* box = OpenBoxes().front();
        QCOMPARE(box->windowTitle(), U("信息："));
        QCOMPARE(box->text(), U("全部下载完毕"));
        QVERIFY(QApplication::activeModalWidget() == nullptr);
        // The window still takes clicks while the worker waits for the box.
        Control<QAbstractButton>(m_window.get(), "选择框_有图")->click();
        QVERIFY(Control<QAbstractButton>(m_window.get(), "选择框_有图")->isChecked());
        QTest::qWait(50);
        QVERIFY(!returned.load());
        box->button(QMessageBox::Ok)->click();
        QTRY_VERIFY(returned.load());
        worker.join();
    }

    void progressHoldsAPositionBeyondTheMaximumAtTheMaximum()
    {
        auto* bar = Control<QProgressBar>(m_window.get(), "进度条1");
        onWorker([&] {
            contract().setProgressMaximum("进度条1", 10);
            contract().setProgressPosition("进度条1", 15);
        });
        QCOMPARE(bar->value(), 10);
        QCOMPARE(contract().progressPosition("进度条1"), 15);
        QCOMPARE(contract().progressMaximum("进度条1"), 10);
        contract().setProgressPosition("进度条1", 4);
        QCOMPARE(bar->value(), 4);
    }

    void albumRowsCoversAndTicks()
    {
        QImage red(60, 40, QImage::Format_RGB32);
        red.fill(Qt::red);
        int jpeg = -1, png = -1, webp = -1, broken = -1;
        onWorker([&] {
            jpeg = contract().addCoverImage(Encoded(red, "JPEG"));
            png = contract().addCoverImage(Encoded(red, "PNG"));
            webp = contract().addCoverImage(Encoded(red, "WEBP"));
            broken = contract().addCoverImage("not a picture");
            for (int i = 0; i < 3; ++i) {
                int const row = contract().appendRow();
                contract().setCellText(row, 1, std::to_string(row + 1));
                contract().setCellText(row, 2, "相册" + std::to_string(row));
                contract().setCellImage(row, 3, row);
                contract().setRowCheckState(row, 1);
            }
        });
        QCOMPARE((std::vector<int>{jpeg, png, webp, broken}), (std::vector<int>{0, 1, 2, 3}));
        auto* list = m_window->albumList();
        QCOMPARE(contract().rowCount(), 3);
        QCOMPARE(contract().cellText(2, 2), "相册2");
        for (int row = 0; row < 3; ++row) {
            QImage const cover = list->topLevelItem(row)->icon(3).pixmap(100, 100).toImage();
            QCOMPARE(cover.size(), QSize(100, 100));
            QVERIFY(qRed(cover.pixel(50, 50)) > 200 && qGreen(cover.pixel(50, 50)) < 60);
        }
        // An undecodable picture gets the default cover (light grey field).
        list->setCellImage(0, 3, broken);
        QImage const fallback = list->topLevelItem(0)->icon(3).pixmap(100, 100).toImage();
        QVERIFY(qGray(fallback.pixel(3, 3)) > 200);

        // Ticks set by the program do not raise the row-check handler; a
        // click on a row's box does, and selects the row.
        QVERIFY(list->selectedItems().isEmpty());
        QCOMPARE(contract().rowCheckState(1), 1);
        QRect const box = list->visualItemRect(list->topLevelItem(1));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(box.left() + 12, box.center().y()));
        QTRY_COMPARE(contract().rowCheckState(1), 0);
        QCOMPARE(list->selectedItems().size(), 1);
        QCOMPARE(list->indexOfTopLevelItem(list->selectedItems().front()), 1);

        contract().clearRows();
        QCOMPARE(contract().rowCount(), 0);
    }

    void closingReleasesAWorkerThatIsCallingIn()
    {
        std::atomic<bool> stop{false};
        std::atomic<int> calls{0};
        std::thread worker([&] {
            auto& window = contract();  // lives until the worker is joined below
            while (!stop.load()) {
                window.setText("标签_动态", "busy");
                window.messageBox("box");  // returns at once once closing began
                ++calls;
            }
        });
        QTRY_COMPARE(OpenBoxes().size(), 1);
        auto started = std::chrono::steady_clock::now();
        m_window->close();  // joins nothing of ours, but must not wait on the worker
        QVERIFY(std::chrono::steady_clock::now() - started < std::chrono::seconds(10));
        QTRY_VERIFY(OpenBoxes().isEmpty());
        int const before = calls.load();
        QTRY_VERIFY(calls.load() > before + 100);  // every call now returns at once
        stop = true;
        worker.join();
    }
};

TERVALA_QTEST_MAIN(QtWindowTest)
#include "qt-window-test.moc"
