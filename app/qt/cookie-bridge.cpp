#include "app/qt/cookie-bridge.h"

#include <algorithm>
#include <cctype>
#include <ctime>
#include <mutex>

#include <sqlite3.h>

#include <QDateTime>
#include <QFileInfo>
#include <QMetaObject>
#include <QWebEngineCookieStore>

namespace app::qt {

namespace {

std::string lowered(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string withoutLeadingDot(std::string const& domain)
{
    return !domain.empty() && domain.front() == '.' ? domain.substr(1) : domain;
}

// Same cookie slot: the browser and the store may spell a domain in a
// different case, and a domain cookie's dot is what sets it apart.
bool sameSlot(net::Cookie const& a, net::Cookie const& b)
{
    return a.name == b.name && a.path == b.path && a.includeSubdomains == b.includeSubdomains
        && lowered(withoutLeadingDot(a.domain)) == lowered(withoutLeadingDot(b.domain));
}

bool hasExpired(net::Cookie const& cookie)
{
    return cookie.expires > 0 && cookie.expires <= static_cast<std::int64_t>(std::time(nullptr));
}

}  // namespace

// Shared with the store's listener, which runs on worker threads and may
// still be running when the bridge goes: it forwards only while `target` is
// set, and the bridge clears it under the lock before it is destroyed.
struct CookieBridge::Relay {
    std::mutex mutex;
    CookieBridge* target = nullptr;
};

CookieBridge::CookieBridge(QWebEngineCookieStore* browserStore, QString const& savedCookiesFile, QObject* parent)
    : QObject(parent)
    , m_browserStore(browserStore)
    , m_relay(std::make_shared<Relay>())
{
    m_relay->target = this;
    connect(m_browserStore, &QWebEngineCookieStore::cookieAdded, this, &CookieBridge::onBrowserCookieAdded);
    connect(m_browserStore, &QWebEngineCookieStore::cookieRemoved, this, &CookieBridge::onBrowserCookieRemoved);

    net::CookieStore::shared().setListener([relay = m_relay](net::Cookie const& cookie) {
        std::lock_guard const lock(relay->mutex);
        if (relay->target == nullptr)
            return;
        // A queued call: the browser belongs to the GUI thread, and a call
        // posted to a bridge that is destroyed before it runs is dropped.
        CookieBridge* const target = relay->target;
        QMetaObject::invokeMethod(
            target, [target, cookie] { target->onStoreCookieSet(cookie); }, Qt::QueuedConnection);
    });

    // What the browser kept from earlier runs. The engine loads its jar
    // without reporting those cookies (loadAllCookies announces none in this
    // engine version), so they are read from its database, before the engine
    // opens it; the call stays for engines that do announce them.
    auto& store = net::CookieStore::shared();
    if (!savedCookiesFile.isEmpty()) {
        for (auto const& cookie : readSavedBrowserCookies(savedCookiesFile))
            store.add(cookie);
    }
    m_browserStore->loadAllCookies();
}

CookieBridge::~CookieBridge()
{
    net::CookieStore::shared().setListener({});
    std::lock_guard const lock(m_relay->mutex);
    m_relay->target = nullptr;
}

void CookieBridge::onBrowserCookieAdded(QNetworkCookie const& cookie)
{
    auto const converted = toStoreCookie(cookie);
    if (converted.domain.empty() || converted.name.empty())
        return;
    // Also when the cookie is the echo of one the store handed over: the
    // store may have moved on meanwhile, and the browser now holds this one.
    net::CookieStore::shared().add(converted);
}

void CookieBridge::onBrowserCookieRemoved(QNetworkCookie const& cookie)
{
    auto const removed = toStoreCookie(cookie);
    if (removed.domain.empty() || removed.name.empty())
        return;
    // The browser reports an overwritten cookie as removed before it reports
    // the new one as added. When the new value came from the store, the store
    // already holds it and must keep it; drop only the value that went.
    auto& store = net::CookieStore::shared();
    for (auto const& held : store.list()) {
        if (sameSlot(held, removed) && held.value == removed.value) {
            store.remove(held.domain, held.path, held.name);
            return;
        }
    }
}

void CookieBridge::onStoreCookieSet(net::Cookie const& cookie)
{
    if (cookie.name.empty() || withoutLeadingDot(cookie.domain).empty())
        return;
    auto const browserCookie = toBrowserCookie(cookie);
    auto const origin = cookieOrigin(cookie);
    if (hasExpired(cookie))
        m_browserStore->deleteCookie(browserCookie, origin);
    else
        m_browserStore->setCookie(browserCookie, origin);
    emit cookieForwarded(browserCookie);
}

net::Cookie toStoreCookie(QNetworkCookie const& cookie)
{
    net::Cookie converted;
    converted.domain = cookie.domain().toStdString();
    converted.includeSubdomains = !converted.domain.empty() && converted.domain.front() == '.';
    converted.path = cookie.path().isEmpty() ? std::string("/") : cookie.path().toStdString();
    converted.secure = cookie.isSecure();
    converted.httpOnly = cookie.isHttpOnly();
    if (!cookie.isSessionCookie()) {
        // 0 would read as a session cookie; anything at or before it has expired.
        converted.expires = std::max<std::int64_t>(1, cookie.expirationDate().toSecsSinceEpoch());
    }
    converted.name = cookie.name().toStdString();
    converted.value = cookie.value().toStdString();
    return converted;
}

QNetworkCookie toBrowserCookie(net::Cookie const& cookie)
{
    QNetworkCookie converted(QByteArray::fromStdString(cookie.name), QByteArray::fromStdString(cookie.value));
    if (cookie.includeSubdomains)
        converted.setDomain(QString::fromStdString("." + withoutLeadingDot(cookie.domain)));
    converted.setPath(cookie.path.empty() ? QStringLiteral("/") : QString::fromStdString(cookie.path));
    converted.setSecure(cookie.secure);
    converted.setHttpOnly(cookie.httpOnly);
    if (cookie.expires > 0)
        converted.setExpirationDate(QDateTime::fromSecsSinceEpoch(cookie.expires, Qt::UTC));
    return converted;
}

std::vector<net::Cookie> readSavedBrowserCookies(QString const& path)
{
    std::vector<net::Cookie> cookies;
    if (!QFileInfo::exists(path))
        return cookies;
    sqlite3* database = nullptr;
    auto const file = path.toStdString();
    if (sqlite3_open_v2(file.c_str(), &database, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(database);
        return cookies;
    }
    sqlite3_busy_timeout(database, 200);
    // Times are microseconds since 1601-01-01 UTC. Session cookies are kept
    // there only for crash recovery and are not restored: left out.
    constexpr char const* Query =
        "SELECT host_key, name, value, path, expires_utc, is_secure, is_httponly FROM cookies "
        "WHERE is_persistent = 1 AND length(value) > 0";
    constexpr std::int64_t WindowsToUnixSeconds = 11'644'473'600;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(database, Query, -1, &statement, nullptr) == SQLITE_OK) {
        auto text = [statement](int column) {
            auto const* bytes = sqlite3_column_text(statement, column);
            return bytes == nullptr ? std::string() : std::string(reinterpret_cast<char const*>(bytes));
        };
        auto const now = static_cast<std::int64_t>(std::time(nullptr));
        while (sqlite3_step(statement) == SQLITE_ROW) {
            net::Cookie cookie;
            cookie.domain = text(0);
            cookie.includeSubdomains = !cookie.domain.empty() && cookie.domain.front() == '.';
            cookie.name = text(1);
            cookie.value = text(2);
            cookie.path = text(3).empty() ? std::string("/") : text(3);
            cookie.expires = sqlite3_column_int64(statement, 4) / 1'000'000 - WindowsToUnixSeconds;
            cookie.secure = sqlite3_column_int(statement, 5) != 0;
            cookie.httpOnly = sqlite3_column_int(statement, 6) != 0;
            if (!cookie.domain.empty() && !cookie.name.empty() && cookie.expires > now)
                cookies.push_back(std::move(cookie));
        }
    }
    sqlite3_finalize(statement);
    sqlite3_close(database);
    return cookies;
}

QUrl cookieOrigin(net::Cookie const& cookie)
{
    QUrl origin;
    origin.setScheme(cookie.secure ? QStringLiteral("https") : QStringLiteral("http"));
    origin.setHost(QString::fromStdString(withoutLeadingDot(cookie.domain)));
    origin.setPath(cookie.path.empty() ? QStringLiteral("/") : QString::fromStdString(cookie.path));
    return origin;
}

}  // namespace app::qt
