// The login page's browser against a loopback site: where its profile lives,
// the address signal, new-window requests kept in the view.

#include <memory>
#include <string>

#include <QApplication>
#include <QSignalSpy>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <QtTest>

#include "app/program-folder.h"
#include "app/qt/login-browser.h"
#include "tests/qt/browser-test-site.h"
#include "tests/qt/webengine-test-main.h"
#include "tests/support/sandbox.h"

namespace {

constexpr int LoadTimeoutMs = 30'000;

}  // namespace

class LoginBrowserTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_sandbox = std::make_unique<testing_support::Sandbox>();
        m_site = std::make_unique<browser_test::TestSite>();
        // Not shown: nothing here depends on painting, and a painted view
        // leaves allocations in the software GL stack whose origin the leak
        // checker cannot trace.
        m_browser = std::make_unique<app::qt::LoginBrowser>();
    }

    void cleanup()
    {
        m_browser.reset();
        m_site.reset();
        m_sandbox.reset();
    }

    void profileIsKeptInTheProgramFolder()
    {
        auto* const profile = m_browser->profile();
        QVERIFY(!profile->isOffTheRecord());
        QCOMPARE(profile->persistentStoragePath(), QString::fromStdString(app::ProgramFolder()) + "/browser");
        QCOMPARE(profile->persistentCookiesPolicy(), QWebEngineProfile::AllowPersistentCookies);
        QCOMPARE(m_browser->objectName(), QStringLiteral("超文本浏览框1"));
    }

    void navigateOpensTheTextUnchanged()
    {
        QSignalSpy navigated(m_browser.get(), &app::qt::LoginBrowser::navigated);
        auto const address = m_site->url("/page/raw?b=2&a=1");
        m_browser->navigate(QString::fromStdString(address));
        QTRY_COMPARE_WITH_TIMEOUT(m_site->countFor("/page/raw?b=2&a=1"), 1, LoadTimeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(lastAddress(navigated) == QString::fromStdString(address), LoadTimeoutMs);
        QCOMPARE(m_browser->url(), QString::fromStdString(address));
    }

    void addressFollowsLinks()
    {
        QSignalSpy navigated(m_browser.get(), &app::qt::LoginBrowser::navigated);
        open("/page/first");
        QCOMPARE(lastAddress(navigated), QString::fromStdString(m_site->url("/page/first")));

        m_browser->view()->page()->runJavaScript(QStringLiteral("document.getElementById('next').click()"));
        auto const next = QString::fromStdString(m_site->url("/page/next"));
        QTRY_COMPARE_WITH_TIMEOUT(lastAddress(navigated), next, LoadTimeoutMs);
        QCOMPARE(m_browser->url(), next);
    }

    // A link with a target of its own, and a script's window.open: no second
    // window, the page opens in the view, and it is fetched once.
    void newWindowRequestsStayInTheView_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("path");
        QTest::newRow("target=_blank link") << "document.getElementById('blank').click()" << "/page/blank";
        QTest::newRow("window.open") << "window.open('/page/scripted')" << "/page/scripted";
        QTest::newRow("blank window sent on") << "window.open('').location = '/page/later'" << "/page/later";
    }

    void newWindowRequestsStayInTheView()
    {
        QFETCH(QString, script);
        QFETCH(QString, path);
        open("/page/start");
        auto const windowsBefore = QApplication::topLevelWidgets().size();

        QSignalSpy navigated(m_browser.get(), &app::qt::LoginBrowser::navigated);
        m_browser->view()->page()->runJavaScript(script);
        auto const target = QString::fromStdString(m_site->url(path.toStdString()));
        QTRY_COMPARE_WITH_TIMEOUT(lastAddress(navigated), target, LoadTimeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(m_site->countFor(path.toStdString()), 1, LoadTimeoutMs);
        QCOMPARE(m_browser->url(), target);
        QCOMPARE(QApplication::topLevelWidgets().size(), windowsBefore);
        // Nothing else turns up late: the request was not loaded twice.
        QTest::qWait(300);
        QCOMPARE(m_site->countFor(path.toStdString()), 1);
    }

private:
    void open(std::string const& path)
    {
        QSignalSpy finished(m_browser.get(), &app::qt::LoginBrowser::loadFinished);
        m_browser->navigate(QString::fromStdString(m_site->url(path)));
        QVERIFY(QTest::qWaitFor([&] { return !finished.isEmpty(); }, LoadTimeoutMs));
        QVERIFY(finished.first().first().toBool());
    }

    static QString lastAddress(QSignalSpy const& navigated)
    {
        return navigated.isEmpty() ? QString() : navigated.last().first().toString();
    }

    std::unique_ptr<testing_support::Sandbox> m_sandbox;
    std::unique_ptr<browser_test::TestSite> m_site;
    std::unique_ptr<app::qt::LoginBrowser> m_browser;
};

TERVALA_WEBENGINE_TEST_MAIN(LoginBrowserTest)

#include "login-browser-test.moc"
