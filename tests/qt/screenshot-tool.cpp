// tervala-screenshot PAGE FILE: renders one page of the main window
// (login, albums or settings) at its design size into a PNG, with a scratch
// program folder and no network.
#include <cstdio>
#include <cstdlib>

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebEngineView>

#include "app/program-state.h"
#include "app/qt/login-browser.h"
#include "app/qt/main-window.h"
#include "app/window.h"

namespace {

char const* const LoginPagePicture = R"(<html><body style="font-family:'WenQuanYi Micro Hei',sans-serif;background:#f4f6f5">
<div style="width:320px;margin:80px auto;padding:28px;background:white;border:1px solid #dde2df;border-radius:8px">
<h2 style="margin:0 0 18px;color:#2f7f58;font-weight:normal">登录</h2>
<div style="border:1px solid #cfd6d2;border-radius:4px;padding:9px;color:#9aa39e;margin-bottom:12px">手机号 / 邮箱</div>
<div style="border:1px solid #cfd6d2;border-radius:4px;padding:9px;color:#9aa39e;margin-bottom:18px">密码</div>
<div style="background:#2f7f58;color:white;text-align:center;padding:10px;border-radius:4px">登录</div>
</div></body></html>)";

void FillSampleAlbums(app::Window& window)
{
    char const* const titles[] = {"春天的公园", "旅行 · 海边", "老照片"};
    QImage cover(160, 120, QImage::Format_RGB32);
    for (int i = 0; i < 3; ++i) {
        cover.fill(QColor::fromHsv(40 + i * 90, 90, 210));
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        cover.save(&buffer, "PNG");
        int const image = window.addCoverImage(i == 2 ? std::string() : bytes.toStdString());
        int const row = window.appendRow();
        window.setCellText(row, 1, std::to_string(row + 1));
        window.setCellText(row, 2, titles[i]);
        window.setCellImage(row, 3, image);
        window.setRowCheckState(row, i == 1 ? 0 : 1);
    }
    window.setText("编辑框_号码", "https://www.douban.com/people/tervala***/");
    window.setText("标签_动态", "温馨提示：相册列表获取完毕");
    window.appendLog("正努力获取相册列表，耐心等待哈！\r\n\r\n");
    window.appendLog("当前被选择相册编号:1、3、\r\n\r\n");
    window.setProgressMaximum("进度条1", 100);
    window.setProgressPosition("进度条1", 37);
    window.setText("标签_进度条比例", "37%");
    window.setText("标签_选择了相册数量", "总共需下载[2]个相册");
    window.setText("标签_正在下载相册", "下载到第[1]个相册");
    window.setText("标签_第多少张照片", "100/37");
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: tervala-screenshot login|albums|settings FILE.png\n");
        return 2;
    }
    QTemporaryDir scratch;
    qputenv("XDG_DATA_HOME", scratch.path().toLocal8Bit());
    // No name is looked up and nothing is fetched: every host is this
    // machine's discard port.
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", qgetenv("QTWEBENGINE_CHROMIUM_FLAGS") + " --host-resolver-rules=\"MAP * 127.0.0.1:9\"");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    QString const page = QString::fromLocal8Bit(argv[1]);
    QString const file = QString::fromLocal8Bit(argv[2]);
    int const index = page == "login" ? 0 : page == "albums" ? 1 : page == "settings" ? 2 : -1;
    if (index < 0) {
        std::fprintf(stderr, "unknown page: %s\n", argv[1]);
        return 2;
    }

    app::SiteConfig site;
    site.siteWebRoot = "https://www.douban.com";  // shown as text only
    site.updatePageUrl = "http://127.0.0.1:9/update.txt";
    app::ProgramState::instance().setSite(site);
    // Nothing leaves the machine: the browser opens nothing, the update
    // check goes nowhere.
    app::qt::MainWindow::Desktop desktop{[](QString const&) {}, [](QString const&) {},
                                         [](QString const&, QString const&) { return QString(); },
                                         [](app::Window& window) { window.setText("标签_zxbanben", "1.0"); }};
    auto* window = new app::qt::MainWindow(desktop);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    window->tabs()->setCurrentIndex(index);
    if (index == 1) FillSampleAlbums(window->window());
    if (index == 0) {
        // Stands in for the site's login page, which is not fetched here.
        QTimer::singleShot(1200, window, [window] {
            window->browser()->view()->setHtml(QString::fromUtf8(LoginPagePicture));
            QTimer::singleShot(600, window, [window] {
                window->window().setText("编辑框_url", "https://www.douban.com/login");
            });
        });
    }
    int status = 1;
    QTimer::singleShot(3000, window, [&] {
        status = window->grab().save(file, "PNG") ? 0 : 1;
        window->close();
    });
    QApplication::exec();
    return status;
}
