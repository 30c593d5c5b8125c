#include "app/qt/login-browser.h"

#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include "app/program-folder.h"
#include "app/qt/cookie-bridge.h"

namespace app::qt {

namespace {

// A new window that never loads: a page that asked for one gets nothing
// back if it cannot be caught, so give up on it after a while.
constexpr int CatcherLifetimeMs = 30'000;

}  // namespace

// The page a new-window request is given. It is never shown: the first
// address it is sent to is opened in the login view instead, and the page
// goes. So a link with target="_blank", a script's window.open and a
// keyboard-activated link all land in the one view, and nothing is fetched
// twice.
class LoginBrowser::NewWindowCatcher : public QWebEnginePage {
public:
    NewWindowCatcher(QWebEngineProfile* profile, LoginBrowser* browser, QObject* parent)
        : QWebEnginePage(profile, parent)
        , m_browser(browser)
    {
        QTimer::singleShot(CatcherLifetimeMs, this, &QObject::deleteLater);
    }

protected:
    bool acceptNavigationRequest(QUrl const& url, NavigationType, bool isMainFrame) override
    {
        if (!isMainFrame || m_done)
            return false;
        // A script's empty window starts blank; the page it means may follow.
        if (url.scheme() == QStringLiteral("about"))
            return false;
        m_done = true;
        // Not from inside the engine's own call: let it finish first.
        QTimer::singleShot(0, m_browser, [browser = m_browser, address = url.toString()] { browser->openInPlace(address); });
        deleteLater();
        return false;
    }

private:
    LoginBrowser* m_browser;
    bool m_done = false;
};

class LoginBrowser::Page : public QWebEnginePage {
public:
    Page(QWebEngineProfile* profile, LoginBrowser* browser)
        : QWebEnginePage(profile, browser)
        , m_browser(browser)
    {
    }

protected:
    QWebEnginePage* createWindow(WebWindowType) override
    {
        return new NewWindowCatcher(profile(), m_browser, this);
    }

private:
    LoginBrowser* m_browser;
};

LoginBrowser::LoginBrowser(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("超文本浏览框1"));

    auto const folder = QString::fromStdString(app::ProgramFolder()) + QStringLiteral("/browser");
    // A named profile keeps its cookies, storage and cache on disk.
    m_profile = std::make_unique<QWebEngineProfile>(QStringLiteral("tervala"));
    m_profile->setPersistentStoragePath(folder);
    m_profile->setCachePath(folder + QStringLiteral("/cache"));
    m_profile->setPersistentCookiesPolicy(QWebEngineProfile::AllowPersistentCookies);

    // Before any page: the cookies the profile kept come in through the bridge.
    m_bridge = new CookieBridge(m_profile->cookieStore(), folder + QStringLiteral("/Cookies"), this);
    primeCookieStore();

    m_page = new Page(m_profile.get(), this);
    m_view = new QWebEngineView(this);
    m_view->setPage(m_page);

    auto* const layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);

    connect(m_page, &QWebEnginePage::urlChanged, this, [this](QUrl const& address) { emit navigated(address.toString()); });
    connect(m_page, &QWebEnginePage::linkHovered, this, [this](QString const& link) {
        m_statusText = link;
        emit statusTextChanged(link);
    });
    connect(m_page, &QWebEnginePage::loadFinished, this, &LoginBrowser::loadFinished);
}

LoginBrowser::~LoginBrowser()
{
    // Pages first, then the bridge, and the profile (a member) last: the
    // engine warns of, and may crash on, a profile released under a page.
    delete m_primer;
    delete m_view;
    delete m_page;
    delete m_bridge;
}

void LoginBrowser::navigate(QString const& address)
{
    m_page->load(QUrl(address));
}

QString LoginBrowser::url() const
{
    return m_page->url().toString();
}

// The engine opens the profile's cookie jar with its first page load and
// until then holds back what it is asked to list or set. An empty page on
// the side opens the jar now, so saved cookies reach the shared store and
// the store's cookies reach the browser before the user opens anything,
// without touching the view's address.
void LoginBrowser::primeCookieStore()
{
    m_primer = new QWebEnginePage(m_profile.get(), this);
    connect(m_primer, &QWebEnginePage::loadFinished, m_primer, &QObject::deleteLater);
    m_primer->load(QUrl(QStringLiteral("about:blank")));
}

void LoginBrowser::openInPlace(QString const& address)
{
    navigate(address);
}

}  // namespace app::qt
