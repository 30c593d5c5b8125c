// The controls of the main window, with the places, sizes and texts of the
// window design.
#include <string_view>

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolBar>

#include "app/program-state.h"
#include "app/qt/album-list-view.h"
#include "app/qt/design-geometry.h"
#include "app/qt/login-browser.h"
#include "app/qt/main-window.h"
#include "app/settings-controls.h"

namespace app::qt {

namespace {

QString U(char const* text)
{
    return QString::fromUtf8(text);
}

template <typename Widget>
Widget* Make(QWidget* container, char const* name, int left, int top, int width, int height)
{
    auto* widget = new Widget(container);
    widget->setObjectName(U(name));
    SetDesignGeometry(widget, left, top, width, height);
    return widget;
}

template <typename Widget>
Widget* MakeText(QWidget* container, char const* name, int left, int top, int width, int height, char const* text)
{
    auto* widget = Make<Widget>(container, name, left, top, width, height);
    widget->setText(U(text));
    return widget;
}

QGroupBox* MakeGroup(QWidget* container, char const* name, int left, int top, int width, int height,
                     char const* title = "")
{
    auto* group = Make<QGroupBox>(container, name, left, top, width, height);
    group->setTitle(U(title));
    group->setProperty("hasTitle", *title != '\0');
    return group;
}

QString VerticalRule()
{
    QStringList lines;
    for (int i = 0; i < 21; ++i) lines << QStringLiteral("|");
    lines << QString() << QStringLiteral("|");
    return lines.join(QLatin1Char('\n'));
}

QString UsageNotes(QString const& siteWebRoot)
{
    QStringList const lines{
        U("1：支持输入用户主页地址："),
        U("格式例如：") + siteWebRoot + U("/people/tervala***/"),
        U("2：支持输入用户单个相册下载："),
        U("格式例如：") + siteWebRoot + U("/photos/album/1690****/"),
        U("豆瓣网下载相册不要太频繁，如果出现了403错误 通常是太频繁了，清理cookie 换Ip一般就能解决！"),
    };
    return lines.join(QStringLiteral("\n\n"));
}

}  // namespace

void MainWindow::buildControls()
{
    m_toolbar = Make<QToolBar>(this, "工具条1", 0, -1, 934, 57);
    m_toolbar->setIconSize(QSize(32, 32));
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_toolbar->setMovable(false);
    struct Item {
        char const* caption;
        char const* image;
    };
    Item const items[] = {{"一：登录", ":/tervala/toolbar-login.png"},
                          {nullptr, nullptr},
                          {"二：获取相册", ":/tervala/toolbar-albums.png"},
                          {nullptr, nullptr},
                          {"三：软件设置", ":/tervala/toolbar-settings.png"},
                          {nullptr, nullptr},
                          {"问题反馈", ":/tervala/toolbar-feedback.png"}};
    int index = 0;
    for (Item const& item : items) {
        QAction* action = item.caption ? m_toolbar->addAction(QIcon(U(item.image)), U(item.caption))
                                       : m_toolbar->addSeparator();
        connect(action, &QAction::triggered, this, [this, index] { onToolbarClick(index); });
        ++index;
    }

    auto* rule = MakeText<QLabel>(this, "标签12", -16, 43, 1500, 24, "");
    rule->setText(QString(434, QLatin1Char('_')));
    rule->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    rule->setAttribute(Qt::WA_TransparentForMouseEvents);

    m_tabs = Make<QTabWidget>(this, "高级选择夹1", 2, 57, 924, 575);
    char const* const captions[] = {"  第一步：登录   ", "    第二步：获取相册   ", "  第三步：软件设置   "};
    for (char const* caption : captions) {
        auto* page = new QWidget;
        page->setAutoFillBackground(true);
        page->installEventFilter(this);
        m_tabs->addTab(page, U(caption));
        m_pages.push_back(page);
    }
    // The pages sit in the tab control's stack; when it moves, they move.
    if (auto* stack = m_tabs->findChild<QStackedWidget*>()) stack->installEventFilter(this);
    buildLoginPage(m_pages[0]);
    buildAlbumPage(m_pages[1]);
    buildSettingsPage(m_pages[2]);
}

void MainWindow::buildLoginPage(QWidget* page)
{
    QString const siteWebRoot = QString::fromStdString(ProgramState::instance().site().siteWebRoot);
    MakeText<QPushButton>(page, "按钮_专辑页面", 684, 25, 96, 32, "[查看用户专辑]")->setVisible(false);
    Make<QLineEdit>(page, "编辑框_url", 12, 28, 560, 28)->setText(siteWebRoot + U("/login"));
    MakeText<QPushButton>(page, "按钮_打开", 575, 26, 93, 32, "打开");
    m_browser = Make<LoginBrowser>(page, "超文本浏览框1", 12, 69, 896, 521);
}

void MainWindow::buildAlbumPage(QWidget* page)
{
    QGroupBox* address = MakeGroup(page, "分组框_zhuye", 6, 21, 902, 59);
    MakeText<QLabel>(address, "标签1", 9, 23, 69, 24, "1:用户主页：");
    Make<QLineEdit>(address, "编辑框_号码", 82, 18, 402, 32)->setPlaceholderText(U("用户主页或单个相册的地址"));
    MakeText<QPushButton>(address, "按钮_获取相册封面", 519, 16, 91, 32, "2：获取相册");
    MakeText<QPushButton>(address, "按钮_下载选中", 640, 16, 85, 32, "3：下载选中");
    MakeText<QPushButton>(address, "按钮_暂停线程", 694, 16, 67, 32, "暂停下载")->setVisible(false);
    MakeText<QPushButton>(address, "按钮_继续下载", 754, 16, 67, 32, "继续下载")->setVisible(false);
    MakeText<QPushButton>(address, "按钮_结束下载", 828, 16, 64, 32, "结束下载")->setVisible(false);

    QGroupBox* location = MakeGroup(page, "分组框_weizhi", 6, 81, 902, 50);
    MakeText<QLabel>(location, "标签_保存路径", 8, 12, 112, 32, "保存位置：")->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Make<QLineEdit>(location, "编辑框_保存位置", 84, 12, 403, 27);
    MakeText<QPushButton>(location, "按钮_选择位置", 524, 12, 91, 32, "选择存放位置");
    MakeText<QPushButton>(location, "按钮_打开目录", 645, 11, 79, 32, "打开目录");

    QGroupBox* list = MakeGroup(page, "分组框_liebiao", 6, 141, 902, 426);
    MakeText<QCheckBox>(list, "选择框_全选", 16, 22, 46, 16, "全选");
    MakeText<QCheckBox>(list, "选择框_反选", 76, 22, 46, 16, "反选");
    MakeText<QCheckBox>(list, "选择框_有图", 142, 21, 134, 16, "有封面图(影响速度)");
    MakeText<QLabel>(list, "标签_动态", 313, 13, 404, 24, "");
    m_albumList = Make<AlbumListView>(list, "超级列表框1", 6, 41, 638, 339);
    Make<QLabel>(list, "画板1", 455, 107, 112, 88)->setVisible(false);
    QGroupBox* log = MakeGroup(list, "分组框_日志", 656, 36, 236, 345);
    MakeText<QLabel>(log, "标签3", 8, 12, 88, 19, "执行操作日志：");
    auto* logBox = Make<QPlainTextEdit>(log, "编辑框_操作记录", 12, 45, 208, 292);
    logBox->setReadOnly(true);
    logBox->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    MakeText<QLabel>(list, "标签_进度", 7, 384, 56, 35, "下载进度：");
    auto* progress = Make<QProgressBar>(list, "进度条1", 74, 389, 280, 24);
    progress->setRange(0, 1);
    progress->setValue(0);
    progress->setTextVisible(false);
    progress->setProperty("tervalaPosition", 0);
    progress->setProperty("tervalaMaximum", 0);
    MakeText<QLabel>(list, "标签_进度条比例", 359, 390, 41, 23, "");
    MakeText<QLabel>(list, "标签_选择了相册数量", 404, 390, 144, 23, "");
    MakeText<QLabel>(list, "标签_正在下载相册", 554, 390, 110, 23, "");
    MakeText<QLabel>(list, "标签_第多少张照片", 666, 390, 95, 23, "");
}

void MainWindow::buildSettingsPage(QWidget* page)
{
    SiteConfig const site = ProgramState::instance().site();
    QGroupBox* outer = MakeGroup(page, "分组框7", 14, 24, 876, 544);

    QGroupBox* common = MakeGroup(outer, "分组框2", 9, 18, 347, 241, "常用设置：");
    MakeText<QLabel>(common, "标签11", 9, 20, 56, 32, "下载模式：");
    MakeText<QCheckBox>(common, "选择框_浏览模式", 83, 25, 52, 24, "默认");
    MakeText<QCheckBox>(common, "选择框_api模式", 166, 25, 161, 24, "备用(默认不可用时选)");
    MakeText<QLabel>(common, "标签8", 10, 61, 56, 24, "图片大小：");
    MakeText<QRadioButton>(common, "单选框_中图", 80, 63, 75, 24, "中图[快]");
    MakeText<QRadioButton>(common, "单选框_原图", 164, 62, 92, 24, "原图[慢]");
    MakeText<QCheckBox>(common, "选择框_下载记录", 12, 98, 240, 20, "开启下载记录（已经下载过的不再下载）");
    // Under the record box, over the never-shown date window controls.
    MakeText<QLabel>(common, "标签_请求间隔", 10, 127, 56, 24, "请求间隔：");
    auto* delay = Make<QSpinBox>(common, "编辑框_请求间隔", 83, 127, 90, 24);
    delay->setRange(0, LongestPoliteDelaySeconds);
    delay->setSuffix(U(" 秒"));
    delay->setToolTip(U("两次请求之间至少等待的秒数，0 为不等待。网站限制访问时可调大"));
    MakeText<QCheckBox>(common, "选择框_时间段", 12, 134, 240, 16, "开启后，只采集下面时间段上传的图片")->setVisible(false);
    MakeText<QLabel>(common, "标签2", 33, 159, 56, 32, "开始时间：")->setVisible(false);
    auto* from = Make<QDateTimeEdit>(common, "日期框_开始时间", 105, 163, 144, 24);
    from->setDateTime(QDateTime::currentDateTime());
    from->setVisible(false);
    MakeText<QLabel>(common, "标签4", 33, 198, 56, 32, "结束时间：")->setVisible(false);
    auto* to = Make<QDateTimeEdit>(common, "日期框_结束时间", 105, 202, 144, 24);
    to->setDateTime(QDateTime::currentDateTime());
    to->setVisible(false);

    QGroupBox* support = MakeGroup(outer, "分组框1", 364, 18, 496, 241, "客服：");
    MakeText<QLabel>(support, "标签6", 11, 25, 64, 26, "在线客服：");
    MakeText<QPushButton>(support, "按钮2", 89, 25, 84, 24, "!");
    MakeText<QLabel>(support, "标签9", 11, 80, 159, 24, "其他相册下载工具：");
    auto* tools = Make<QLabel>(support, "标签7", 12, 128, 165, 20);
    tools->setText(QString::fromStdString(site.otherToolsUrl));
    tools->setCursor(Qt::PointingHandCursor);
    tools->installEventFilter(this);
    MakeText<QLabel>(support, "标签15", 196, 24, 56, 24, "微信：");
    auto* picture = Make<QLabel>(support, "图片框1", 248, 21, 150, 150);
    picture->setPixmap(QPixmap(U(":/tervala/contact-picture.png")));
    picture->setScaledContents(true);
    auto* offer = MakeText<QLabel>(support, "标签16", 20, 173, 376, 48,
                                   "提供网络文件下载 视频提取  音乐提取等网络服务，欢迎联系");
    offer->setWordWrap(true);

    QGroupBox* version = MakeGroup(outer, "分组框4", 7, 284, 853, 241, "软件版本");
    auto* notes = Make<QLabel>(version, "标签10", 9, 19, 364, 215);
    notes->setText(UsageNotes(QString::fromStdString(site.siteWebRoot)));
    notes->setWordWrap(true);
    notes->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    notes->setTextInteractionFlags(Qt::TextSelectableByMouse);
    for (char const* name : {"标签14", "标签13"}) {
        auto* rule = Make<QLabel>(version, name, name == std::string_view("标签14") ? 381 : 650, 11,
                                  name == std::string_view("标签14") ? 10 : 6, 224);
        rule->setText(VerticalRule());
        rule->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
    MakeText<QLabel>(version, "标签_banbenjieguo", 666, 25, 160, 24, "");
    MakeText<QLabel>(version, "标签5", 665, 66, 72, 40, "当前版本：");
    MakeText<QLabel>(version, "标签_banben", 736, 66, 95, 40, "");
    MakeText<QLabel>(version, "标签_xinbanben", 666, 114, 72, 40, "最新版本：");
    MakeText<QLabel>(version, "标签_zxbanben", 737, 114, 95, 40, "");
    MakeText<QPushButton>(version, "按钮_checknew", 667, 161, 165, 40, "检测程序是否有更新");
}

}  // namespace app::qt
