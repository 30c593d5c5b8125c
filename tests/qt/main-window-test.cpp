// The main window: its controls as designed, the layout rules on real
// widgets, the start-up state, the settings clicks and what the file holds,
// the toolbar and tab latch, and the folder commands.
#include <filesystem>
#include <memory>

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>

#include "app/program-folder.h"
#include "app/qt/album-list-view.h"
#include "app/qt/main-window.h"
#include "app/settings-file.h"
#include "tests/qt/test-main.h"
#include "tests/qt/window-test-support.h"
#include "tests/support/sandbox.h"

using namespace window_test;
using app::qt::MainWindow;

class MainWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<testing_support::Sandbox> m_sandbox;
    RecordingDesktop m_desktop;
    std::unique_ptr<MainWindow> m_window;

    MainWindow* open()
    {
        m_window = std::make_unique<MainWindow>(m_desktop.desktop());
        m_window->show();
        if (!QTest::qWaitForWindowExposed(m_window.get())) qWarning("window not exposed");
        return m_window.get();
    }

    QWidget* control(char const* name) { return Control<QWidget>(m_window.get(), name); }
    bool checked(char const* name) { return Control<QAbstractButton>(m_window.get(), name)->isChecked(); }
    void click(char const* name) { Control<QAbstractButton>(m_window.get(), name)->click(); }
    std::string setting(char const* section, char const* key)
    {
        return app::ProgramSettings().Read(section, key, "(none)");
    }
    // Place relative to the design container: a tab page's controls count
    // from the tab control.
    QPoint designPlace(char const* name)
    {
        QWidget* widget = control(name);
        QWidget* parent = widget->parentWidget();
        bool const onPage = parent && parent->parentWidget() && parent->parentWidget()->parentWidget() == m_window->tabs();
        return onPage ? widget->mapTo(m_window->tabs(), QPoint(0, 0)) : widget->pos();
    }

private slots:
    void init()
    {
        m_sandbox = std::make_unique<testing_support::Sandbox>();
        app::ProgramState::instance().setSite(NowhereSite());
        m_desktop.openedAddresses.clear();
        m_desktop.openedFolders.clear();
        m_desktop.updateChecks = 0;
    }

    void cleanup()
    {
        m_window.reset();
        m_sandbox.reset();
    }

    void controlsAreBuiltAsDesigned()
    {
        open();
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Tervala"));
        QCOMPARE(m_window->size(), QSize(940, 667));

        struct Expected {
            char const* name;
            char const* container;
            QRect place;  // before any layout rule: rules change lefts and widths only
            bool visible;
        };
        // Controls the layout rules leave alone keep their design place exactly.
        Expected const table[] = {
            {"工具条1", "MainWindow", {0, -1, 934, 57}, true},
            {"标签12", "MainWindow", {-16, 43, 1500, 24}, true},
            {"分组框_liebiao", "", {6, 141, 900, 426}, true},
            {"选择框_全选", "分组框_liebiao", {16, 22, 46, 16}, true},
            {"标签_动态", "分组框_liebiao", {313, 13, 404, 24}, true},
            {"进度条1", "分组框_liebiao", {74, 389, 280, 24}, true},
            {"编辑框_操作记录", "分组框_日志", {12, 45, 208, 292}, true},
            {"按钮_暂停线程", "分组框_zhuye", {735, 16, 67, 32}, false},
            {"按钮_结束下载", "分组框_zhuye", {830, 16, 64, 32}, false},
            {"标签_保存路径", "分组框_weizhi", {8, 12, 112, 32}, true},
            {"按钮_checknew", "分组框4", {667, 161, 165, 40}, true},
            {"选择框_时间段", "分组框2", {12, 134, 240, 16}, false},
            {"日期框_开始时间", "分组框2", {105, 163, 144, 24}, false},
            {"日期框_结束时间", "分组框2", {105, 202, 144, 24}, false},
            {"标签2", "分组框2", {33, 159, 56, 32}, false},
            {"标签4", "分组框2", {33, 198, 56, 32}, false},
            {"图片框1", "分组框1", {248, 21, 150, 150}, true},
            {"按钮_专辑页面", "", {804, 25, 96, 32}, false},
            {"画板1", "分组框_liebiao", {455, 107, 112, 88}, false},
        };
        for (Expected const& want : table) {
            QWidget* widget = control(want.name);
            QVERIFY2(widget, want.name);
            if (*want.container) QCOMPARE(widget->parentWidget()->objectName(), U(want.container));
            QCOMPARE(QRect(designPlace(want.name), widget->size()), want.place);
            QCOMPARE(!widget->isHidden(), want.visible);
        }

        QCOMPARE(Control<QPushButton>(m_window.get(), "按钮_下载选中")->text(), U("3：下载选中"));
        QCOMPARE(Control<QCheckBox>(m_window.get(), "选择框_api模式")->text(), U("备用(默认不可用时选)"));
        QCOMPARE(Control<QLabel>(m_window.get(), "标签12")->text(), QString(434, QLatin1Char('_')));
        QCOMPARE(Control<QLabel>(m_window.get(), "标签7")->text(), QStringLiteral("http://127.0.0.1:9/tools"));
        QCOMPARE(Control<QLabel>(m_window.get(), "标签7")->cursor().shape(), Qt::PointingHandCursor);
        QString const notes = Control<QLabel>(m_window.get(), "标签10")->text();
        QVERIFY(notes.startsWith(U("1：支持输入用户主页地址：\n\n格式例如：http://127.0.0.1:9/people/")));
        QVERIFY(notes.contains(U("***/\n\n2：支持输入用户单个相册下载：\n\n格式例如：http://127.0.0.1:9/photos/album/")));
        QVERIFY(notes.endsWith(U("换Ip一般就能解决！")));

        QCOMPARE(m_window->tabs()->count(), 3);
        QCOMPARE(m_window->tabs()->tabText(0), U("  第一步：登录   "));
        QCOMPARE(m_window->tabs()->tabText(1), U("    第二步：获取相册   "));

        QStringList items;
        for (QAction* action : m_window->toolbar()->actions()) items << (action->isSeparator() ? "|" : action->text());
        QCOMPARE(items, (QStringList{U("一：登录"), "|", U("二：获取相册"), "|", U("三：软件设置"), "|", U("问题反馈")}));

        auto* list = m_window->albumList();
        QStringList captions;
        for (int i = 0; i < list->columnCount(); ++i) captions << list->headerItem()->text(i);
        QCOMPARE(captions, (QStringList{U("选择"), U("序号"), U("相册名称"), U("封面"), U("图片数量"), U("相册ID"),
                                        U("相册问题"), U("相册密码")}));
    }

    void startUpShowsTheDefaultsAndWritesNothing()
    {
        open();
        QVERIFY(!checked("选择框_下载记录"));
        QVERIFY(!checked("选择框_时间段"));
        QVERIFY(checked("选择框_浏览模式"));
        QVERIFY(!checked("选择框_api模式"));
        QVERIFY(checked("单选框_中图"));
        QVERIFY(!checked("单选框_原图"));
        QVERIFY(!std::filesystem::exists(app::ProgramSettings().path()));
        QCOMPARE(Control<QLabel>(m_window.get(), "标签_banben")->text(), QStringLiteral("1.0"));
        QCOMPARE(Control<QLineEdit>(m_window.get(), "编辑框_保存位置")->text(), QString::fromStdString(app::ProgramFolder()));
        QCOMPARE(Control<QLineEdit>(m_window.get(), "编辑框_url")->text(), QStringLiteral("http://127.0.0.1:9/login"));
        auto* list = m_window->albumList();
        int const designWidths[] = {60, 40, 120, 100, 70};
        for (int column = 0; column < 5; ++column) {
            QVERIFY(!list->isColumnHidden(column));
            QCOMPARE(list->header()->sectionSize(column), designWidths[column]);
        }
        for (int column : {5, 6, 7}) {
            QVERIFY(list->isColumnHidden(column));
            QCOMPARE(list->designColumnWidth(column), 0);
        }
    }

    void layoutRulesFollowTheWidth_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("tabs");
        QTest::addColumn<int>("list");
        QTest::addColumn<int>("numberBox");
        QTest::addColumn<int>("startLeft");
        QTest::addColumn<int>("urlBox");
        QTest::newRow("design") << 940 << 920 << 644 << 524 << 735 << 671;
        QTest::newRow("wide") << 1240 << 1220 << 944 << 824 << 1035 << 971;
        // 编辑框_号码 comes out at -16: shown as 0.
        QTest::newRow("narrow") << 400 << 380 << 104 << 0 << 195 << 131;
    }

    void layoutRulesFollowTheWidth()
    {
        QFETCH(int, width);
        open();
        m_window->resize(width, 667);
        QTRY_COMPARE(m_window->width(), width);
        int const frame = m_window->frameGeometry().width() - m_window->width();
        if (frame != 0) QSKIP("a window manager adds a frame; the rules use the outer width");
        QTEST(m_window->tabs()->width(), "tabs");
        QTEST(control("超级列表框1")->width(), "list");
        QTEST(control("编辑框_号码")->width(), "numberBox");
        QTEST(control("编辑框_保存位置")->width(), "numberBox");
        QTEST(control("按钮_下载选中")->x(), "startLeft");
        QTEST(control("按钮_暂停线程")->x(), "startLeft");
        QTEST(control("按钮_继续下载")->x(), "startLeft");
        QTEST(control("按钮_打开目录")->x(), "startLeft");
        QFETCH(int, startLeft);
        QCOMPARE(control("按钮_结束下载")->x(), startLeft + 85 + 10);
        QTEST(control("编辑框_url")->width(), "urlBox");
        QCOMPARE(control("超文本浏览框1")->width(), width - 40);
        QCOMPARE(control("分组框_日志")->x(), width - 20 - 20 - 236 - 5);
        // Heights never follow.
        QCOMPARE(control("超级列表框1")->height(), 339);
        QCOMPARE(m_window->tabs()->height(), 575);
    }

    void settingsClicksWriteAtOnce()
    {
        open();
        click("选择框_浏览模式");  // unticks browse mode: API mode on
        QVERIFY(!checked("选择框_浏览模式"));
        QVERIFY(checked("选择框_api模式"));
        QCOMPARE(setting("下载模式", "模式"), "2");
        click("选择框_浏览模式");
        QVERIFY(checked("选择框_浏览模式"));
        QVERIFY(!checked("选择框_api模式"));
        QCOMPARE(setting("下载模式", "模式"), "1");
        click("选择框_api模式");
        QVERIFY(checked("选择框_api模式"));
        QVERIFY(!checked("选择框_浏览模式"));
        QCOMPARE(setting("下载模式", "模式"), "2");

        click("选择框_下载记录");
        QCOMPARE(setting("全局设置", "下载记录"), "1");
        click("选择框_下载记录");
        QCOMPARE(setting("全局设置", "下载记录"), "0");

        click("单选框_原图");
        QVERIFY(checked("单选框_原图"));
        QVERIFY(!checked("单选框_中图"));
        QCOMPARE(setting("图片大小", "大小"), "2");
        click("单选框_原图");  // already selected: written again
        QCOMPARE(setting("图片大小", "大小"), "2");
        click("单选框_中图");
        QCOMPARE(setting("图片大小", "大小"), "1");
    }

    void politeDelayBoxShowsTheSettingAndWritesItAtOnce()
    {
        open();
        auto* box = Control<QSpinBox>(m_window.get(), "编辑框_请求间隔");
        QVERIFY(box);
        QCOMPARE(box->parentWidget()->objectName(), U("分组框2"));
        QVERIFY(!box->isHidden());
        QCOMPARE(Control<QLabel>(m_window.get(), "标签_请求间隔")->text(), U("请求间隔："));
        QCOMPARE(box->value(), 0);
        QCOMPARE(box->minimum(), 0);
        QCOMPARE(box->maximum(), 600);
        QCOMPARE(box->suffix(), U(" 秒"));
        QVERIFY(!std::filesystem::exists(app::ProgramSettings().path()));

        // Typed by the user: written at once, and the contract reads the value.
        box->selectAll();
        QTest::keyClicks(box, QStringLiteral("15"));
        QCOMPARE(box->value(), 15);
        QCOMPARE(setting("全局设置", "请求间隔"), "15");
        QCOMPARE(m_window->window().text("编辑框_请求间隔"), "15");
        // Written by the program: no handler, nothing written.
        m_window->window().setText("编辑框_请求间隔", "30");
        QCOMPARE(box->value(), 30);
        QCOMPARE(setting("全局设置", "请求间隔"), "15");

        m_window.reset();
        QVERIFY(app::ProgramSettings().Write("全局设置", "请求间隔", "42"));
        open();
        QCOMPARE(Control<QSpinBox>(m_window.get(), "编辑框_请求间隔")->value(), 42);
        QCOMPARE(setting("全局设置", "请求间隔"), "42");
    }

    void theVisibleSettingsControlsDoNotOverlap()
    {
        open();
        m_window->tabs()->setCurrentIndex(2);
        auto* group = control("分组框2");
        QList<QWidget*> shown;
        for (QWidget* child : group->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (child->isVisible()) shown << child;
        QVERIFY(shown.size() >= 8);
        for (qsizetype i = 0; i < shown.size(); ++i) {
            QVERIFY2(group->rect().contains(shown[i]->geometry()), qPrintable(shown[i]->objectName()));
            for (qsizetype j = i + 1; j < shown.size(); ++j)
                QVERIFY2(!shown[i]->geometry().intersects(shown[j]->geometry()),
                         qPrintable(shown[i]->objectName() + U(" / ") + shown[j]->objectName()));
        }
    }

    void aModeOfThreeShowsApiModeAndTheNextClickStoresBrowse()
    {
        QVERIFY(app::ProgramSettings().Write("下载模式", "模式", "3"));
        QVERIFY(app::ProgramSettings().Write("图片大小", "大小", "0"));
        QVERIFY(app::ProgramSettings().Write("全局设置", "下载记录", "1"));
        open();
        QVERIFY(checked("选择框_api模式"));
        QVERIFY(!checked("选择框_浏览模式"));
        QVERIFY(checked("单选框_原图"));
        QVERIFY(checked("选择框_下载记录"));
        click("选择框_api模式");
        QVERIFY(checked("选择框_浏览模式"));
        QVERIFY(!checked("选择框_api模式"));
        QCOMPARE(setting("下载模式", "模式"), "1");
        QCOMPARE(setting("图片大小", "大小"), "0");  // untouched by the mode click
    }

    void theSettingsPageStartsOneUpdateCheckInAll()
    {
        open();
        QCOMPARE(m_window->updateCheckLatch(), 1);
        m_window->onToolbarClick(2);
        QCOMPARE(m_window->tabs()->currentIndex(), 1);
        m_window->onToolbarClick(0);
        QCOMPARE(m_window->tabs()->currentIndex(), 0);
        QCOMPARE(m_window->updateChecksStarted(), 0);
        for (int separator : {1, 3, 5, 7}) m_window->onToolbarClick(separator);
        QCOMPARE(m_window->tabs()->currentIndex(), 0);

        m_window->onToolbarClick(4);  // first opening, through the toolbar
        QCOMPARE(m_window->tabs()->currentIndex(), 2);
        m_window->onToolbarClick(4);  // already open: no page change
        m_window->tabs()->setCurrentIndex(1);
        m_window->tabs()->setCurrentIndex(2);  // by its tab
        QCOMPARE(m_window->updateChecksStarted(), 1);
        QTRY_COMPARE(m_desktop.updateChecks.load(), 1);

        click("按钮_checknew");  // the button does not look at the latch
        QTRY_COMPARE(m_desktop.updateChecks.load(), 2);
        QCOMPARE(m_window->updateCheckLatch(), 2);
    }

    void theTabStartsTheCheckToo()
    {
        open();
        m_window->tabs()->setCurrentIndex(2);
        m_window->onToolbarClick(4);
        m_window->tabs()->setCurrentIndex(0);
        m_window->tabs()->setCurrentIndex(2);
        QCOMPARE(m_window->updateChecksStarted(), 1);
    }

    void linksAndFoldersGoToTheDesktop()
    {
        open();
        m_window->onToolbarClick(6);
        click("按钮2");
        QTest::mouseClick(control("标签7"), Qt::LeftButton);
        QCOMPARE(m_desktop.openedAddresses,
                 (QStringList{"http://127.0.0.1:9/feedback", "http://127.0.0.1:9/contact", "http://127.0.0.1:9/tools"}));

        auto* box = Control<QLineEdit>(m_window.get(), "编辑框_保存位置");
        m_desktop.folderToChoose = U("　 /data/相册 ");
        click("按钮_选择位置");
        QCOMPARE(m_desktop.pickerTitle, U("选择相册的存放位置"));
        QCOMPARE(m_desktop.pickerInitial, QDir::homePath());
        QCOMPARE(box->text(), U("/data/相册"));
        click("按钮_打开目录");
        m_desktop.folderToChoose.clear();  // cancelled
        click("按钮_选择位置");
        QCOMPARE(box->text(), QString::fromStdString(app::ProgramFolder()));
        box->clear();
        click("按钮_打开目录");
        QCOMPARE(m_desktop.openedFolders, (QStringList{U("/data/相册"), QString::fromStdString(app::ProgramFolder())}));
    }
};

TERVALA_QTEST_MAIN(MainWindowTest)
#include "main-window-test.moc"
