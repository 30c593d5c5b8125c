#pragma once

#include <memory>
#include <vector>

#include <QNetworkCookie>
#include <QObject>
#include <QUrl>

#include "net/cookie-store.h"

class QWebEngineCookieStore;

namespace app::qt {

// Keeps the embedded browser's cookies and the shared curl store
// (net::CookieStore::shared()) the same, so the program's own requests carry
// the user's login and the browser sees what those requests were given:
// - every cookie the browser holds (its saved ones at start-up too) or
//   receives is added to the store; a cookie the browser drops is removed;
// - every cookie an answer sets through the store is set in the browser.
// Create, use and destroy on the GUI thread; `browserStore` must outlive it.
class CookieBridge : public QObject {
    Q_OBJECT
public:
    // `savedCookiesFile`: the profile's cookie database, read once here for
    // the cookies kept from earlier runs (the engine does not report those).
    explicit CookieBridge(QWebEngineCookieStore* browserStore, QString const& savedCookiesFile = {},
                          QObject* parent = nullptr);
    ~CookieBridge() override;
    CookieBridge(CookieBridge const&) = delete;
    CookieBridge& operator=(CookieBridge const&) = delete;

signals:
    // A cookie set by a store answer has been handed to the browser.
    void cookieForwarded(QNetworkCookie const& cookie);

private:
    struct Relay;

    void onBrowserCookieAdded(QNetworkCookie const& cookie);
    void onBrowserCookieRemoved(QNetworkCookie const& cookie);
    void onStoreCookieSet(net::Cookie const& cookie);

    QWebEngineCookieStore* m_browserStore;
    std::shared_ptr<Relay> m_relay;
};

// The conversions the bridge uses. A domain cookie carries a leading dot on
// both sides ("includeSubdomains"); a host-only cookie names its host without
// one. An expiry of 0 in the store is a session cookie. A cookie without a
// domain or a name cannot be placed; the bridge skips it.
net::Cookie toStoreCookie(QNetworkCookie const& cookie);
// The browser takes a host-only cookie only with an empty domain and the
// host in its origin (a named domain would widen it to the subdomains).
QNetworkCookie toBrowserCookie(net::Cookie const& cookie);
// The address a store cookie belongs to: https for a secure cookie.
QUrl cookieOrigin(net::Cookie const& cookie);

// The unexpired persistent cookies in the engine's cookie database `path`;
// none when it is missing, locked or not of the expected shape.
std::vector<net::Cookie> readSavedBrowserCookies(QString const& path);

}  // namespace app::qt
