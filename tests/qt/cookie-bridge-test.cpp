// The cookie bridge between the embedded browser and the shared curl store,
// against a loopback site: a login in the view reaches PageRequest, a cookie
// a PageRequest answer sets reaches the view, deletions travel too.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include <QDateTime>
#include <QNetworkCookie>
#include <QSignalSpy>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>
#include <QtTest>

#include "app/qt/cookie-bridge.h"
#include "app/qt/login-browser.h"
#include "net/cookie-store.h"
#include "net/page-request.h"
#include "tests/qt/browser-test-site.h"
#include "tests/qt/webengine-test-main.h"
#include "tests/support/sandbox.h"

Q_DECLARE_METATYPE(net::Cookie)

namespace {

constexpr int LoadTimeoutMs = 30'000;

std::optional<net::Cookie> storeCookie(std::string const& name)
{
    for (auto const& cookie : net::CookieStore::shared().list()) {
        if (cookie.name == name)
            return cookie;
    }
    return std::nullopt;
}

bool storeHolds(std::string const& name, std::string const& value)
{
    auto const cookie = storeCookie(name);
    return cookie && cookie->value == value;
}

bool contains(std::string const& text, std::string const& part)
{
    return text.find(part) != std::string::npos;
}

}  // namespace

class CookieBridgeTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_sandbox = std::make_unique<testing_support::Sandbox>();
        net::CookieStore::shared().clear();
        m_site = std::make_unique<browser_test::TestSite>();
        m_browser = std::make_unique<app::qt::LoginBrowser>();
    }

    void cleanup()
    {
        m_browser.reset();
        m_site.reset();
        net::CookieStore::shared().clear();
        m_sandbox.reset();
    }

    void convertsBothWays_data()
    {
        QTest::addColumn<QNetworkCookie>("browser");
        QTest::addColumn<net::Cookie>("store");
        QTest::addColumn<QString>("origin");

        auto const expiry = QDateTime::fromSecsSinceEpoch(2'000'000'000, Qt::UTC);
        auto browserCookie = [](QByteArray const& name, QString const& domain, QString const& path) {
            QNetworkCookie cookie(name, "v=1");
            cookie.setDomain(domain);
            cookie.setPath(path);
            return cookie;
        };
        auto storeCookieOf = [](std::string const& name, std::string const& domain, bool subdomains, std::string const& path) {
            net::Cookie cookie;
            cookie.name = name;
            cookie.value = "v=1";
            cookie.domain = domain;
            cookie.includeSubdomains = subdomains;
            cookie.path = path;
            return cookie;
        };

        QTest::newRow("domain session cookie")
            << browserCookie("dbcl2", ".example.test", "/") << storeCookieOf("dbcl2", ".example.test", true, "/")
            << "http://example.test/";
        QTest::newRow("host-only cookie with a path")
            << browserCookie("ck", "www.example.test", "/people") << storeCookieOf("ck", "www.example.test", false, "/people")
            << "http://www.example.test/people";

        auto secure = browserCookie("s", ".example.test", "/");
        secure.setSecure(true);
        secure.setHttpOnly(true);
        secure.setExpirationDate(expiry);
        auto secureStore = storeCookieOf("s", ".example.test", true, "/");
        secureStore.secure = true;
        secureStore.httpOnly = true;
        secureStore.expires = 2'000'000'000;
        QTest::newRow("secure, httpOnly, expiring") << secure << secureStore << "https://example.test/";

        auto loopback = browserCookie("bid", "127.0.0.1", "/");
        loopback.setExpirationDate(expiry);
        auto loopbackStore = storeCookieOf("bid", "127.0.0.1", false, "/");
        loopbackStore.expires = 2'000'000'000;
        QTest::newRow("host-only on an address") << loopback << loopbackStore << "http://127.0.0.1/";
    }

    void convertsBothWays()
    {
        QFETCH(QNetworkCookie, browser);
        QFETCH(net::Cookie, store);
        QFETCH(QString, origin);

        auto const toStore = app::qt::toStoreCookie(browser);
        QCOMPARE(toStore.domain, store.domain);
        QCOMPARE(toStore.includeSubdomains, store.includeSubdomains);
        QCOMPARE(toStore.path, store.path);
        QCOMPARE(toStore.secure, store.secure);
        QCOMPARE(toStore.httpOnly, store.httpOnly);
        QCOMPARE(toStore.expires, store.expires);
        QCOMPARE(toStore.name, store.name);
        QCOMPARE(toStore.value, store.value);

        auto const toBrowser = app::qt::toBrowserCookie(store);
        QCOMPARE(toBrowser.name(), browser.name());
        QCOMPARE(toBrowser.value(), browser.value());
        // A host-only cookie names no domain; its origin carries the host.
        QCOMPARE(toBrowser.domain(), store.includeSubdomains ? browser.domain() : QString());
        QCOMPARE(toBrowser.path(), browser.path());
        QCOMPARE(toBrowser.isSecure(), browser.isSecure());
        QCOMPARE(toBrowser.isHttpOnly(), browser.isHttpOnly());
        QCOMPARE(toBrowser.isSessionCookie(), browser.isSessionCookie());
        QCOMPARE(toBrowser.expirationDate(), browser.expirationDate());
        QCOMPARE(app::qt::cookieOrigin(store).toString(), origin);
    }

    void loginInTheViewIsSentByPageRequest()
    {
        loadInView("/login");
        QTRY_VERIFY_WITH_TIMEOUT(storeHolds("session", "logged-in"), LoadTimeoutMs);
        auto const session = storeCookie("session");
        QVERIFY(session->httpOnly);
        QCOMPARE(session->expires, std::int64_t{0});

        net::PageRequest(m_site->url("/page/albums"));
        QVERIFY(contains(m_site->lastCookieFor("/page/albums"), "session=logged-in"));
    }

    void cookieFromPageRequestIsSentByTheView()
    {
        QSignalSpy added(m_browser->profile()->cookieStore(), &QWebEngineCookieStore::cookieAdded);
        net::PageRequest(m_site->url("/give?given=by-request"));
        QVERIFY(storeHolds("given", "by-request"));
        QTRY_VERIFY_WITH_TIMEOUT(browserGot(added, "given", "by-request"), LoadTimeoutMs);

        loadInView("/page/view");
        QVERIFY(contains(m_site->lastCookieFor("/page/view"), "given=by-request"));
    }

    void cookieThePageDeletesIsNoLongerSent()
    {
        loadInView("/login");
        QTRY_VERIFY_WITH_TIMEOUT(storeHolds("session", "logged-in"), LoadTimeoutMs);

        loadInView("/logout");
        QTRY_VERIFY_WITH_TIMEOUT(!storeCookie("session"), LoadTimeoutMs);
        net::PageRequest(m_site->url("/page/after"));
        QVERIFY(!contains(m_site->lastCookieFor("/page/after"), "session="));
    }

    void cookieAnAnswerDeletesLeavesTheView()
    {
        loadInView("/login");
        QTRY_VERIFY_WITH_TIMEOUT(storeHolds("session", "logged-in"), LoadTimeoutMs);

        QSignalSpy removed(m_browser->profile()->cookieStore(), &QWebEngineCookieStore::cookieRemoved);
        net::PageRequest(m_site->url("/logout"));
        QVERIFY(!storeCookie("session"));
        QTRY_VERIFY_WITH_TIMEOUT(browserGot(removed, "session", "logged-in"), LoadTimeoutMs);

        loadInView("/page/after");
        QVERIFY(!contains(m_site->lastCookieFor("/page/after"), "session="));
    }

    // The browser reports an overwrite as "old one removed, new one added";
    // when the new value came from the store, both sides must end up with it.
    void storeOverwriteOfABrowserCookieHoldsOnBothSides()
    {
        loadInView("/give?flavour=browser");
        QTRY_VERIFY_WITH_TIMEOUT(storeHolds("flavour", "browser"), LoadTimeoutMs);

        QSignalSpy added(m_browser->profile()->cookieStore(), &QWebEngineCookieStore::cookieAdded);
        QSignalSpy removed(m_browser->profile()->cookieStore(), &QWebEngineCookieStore::cookieRemoved);
        net::PageRequest(m_site->url("/give?flavour=store"));
        QTRY_VERIFY_WITH_TIMEOUT(browserGot(added, "flavour", "store"), LoadTimeoutMs);
        QVERIFY(browserGot(removed, "flavour", "browser"));
        QCoreApplication::processEvents();

        QVERIFY(storeHolds("flavour", "store"));
        net::PageRequest(m_site->url("/page/request"));
        QVERIFY(contains(m_site->lastCookieFor("/page/request"), "flavour=store"));
        loadInView("/page/view");
        QVERIFY(contains(m_site->lastCookieFor("/page/view"), "flavour=store"));
    }

    // What the profile kept from an earlier run is in the store at start-up.
    void savedLoginReachesTheStoreAfterARestart()
    {
        loadInView("/remember");
        QTRY_VERIFY_WITH_TIMEOUT(storeHolds("kept", "for-a-year"), LoadTimeoutMs);

        m_browser.reset();
        // The engine writes its jar in the background after the profile goes
        // (at exit, in a real restart): wait until the cookie is on disk.
        auto const saved = QString::fromStdString(m_sandbox->programFolder().string()) + "/browser/Cookies";
        QTRY_VERIFY_WITH_TIMEOUT(!app::qt::readSavedBrowserCookies(saved).empty(), LoadTimeoutMs);
        net::CookieStore::shared().clear();
        QVERIFY(!storeCookie("kept"));

        m_browser = std::make_unique<app::qt::LoginBrowser>();
        QTRY_VERIFY_WITH_TIMEOUT(storeHolds("kept", "for-a-year"), LoadTimeoutMs);
        QVERIFY(storeCookie("kept")->expires > QDateTime::currentSecsSinceEpoch());
        net::PageRequest(m_site->url("/page/next-run"));
        QVERIFY(contains(m_site->lastCookieFor("/page/next-run"), "kept=for-a-year"));
    }

    // A database that is missing or not the engine's gives nothing, quietly.
    void unreadableSavedCookiesGiveNone()
    {
        auto const folder = m_sandbox->root() / "saved";
        testing_support::WriteFile(folder / "not-a-database", "SQLite format 3? no: plain text\n");
        QVERIFY(app::qt::readSavedBrowserCookies(QString::fromStdString((folder / "missing").string())).empty());
        QVERIFY(app::qt::readSavedBrowserCookies(QString::fromStdString((folder / "not-a-database").string())).empty());
    }

private:
    void loadInView(std::string const& path)
    {
        QSignalSpy finished(m_browser.get(), &app::qt::LoginBrowser::loadFinished);
        int const before = m_site->countFor(path);
        m_browser->navigate(QString::fromStdString(m_site->url(path)));
        QVERIFY(QTest::qWaitFor([&] { return !finished.isEmpty(); }, LoadTimeoutMs));
        QVERIFY(finished.first().first().toBool());
        QCOMPARE(m_site->countFor(path), before + 1);
    }

    static bool browserGot(QSignalSpy const& spy, QByteArray const& name, QByteArray const& value)
    {
        for (auto const& arguments : spy) {
            auto const cookie = arguments.first().value<QNetworkCookie>();
            if (cookie.name() == name && cookie.value() == value)
                return true;
        }
        return false;
    }

    std::unique_ptr<testing_support::Sandbox> m_sandbox;
    std::unique_ptr<browser_test::TestSite> m_site;
    std::unique_ptr<app::qt::LoginBrowser> m_browser;
};

TERVALA_WEBENGINE_TEST_MAIN(CookieBridgeTest)

#include "cookie-bridge-test.moc"
