#pragma once

#include <memory>

#include <QPointer>
#include <QString>
#include <QWidget>

class QWebEnginePage;
class QWebEngineProfile;
class QWebEngineView;

namespace app::qt {

class CookieBridge;

// The login page's embedded browser (design name 超文本浏览框1). It runs on
// a persistent profile kept in the program's folder + "/browser", so a login
// survives restarts, and its cookies are mirrored into the shared curl store
// for as long as it lives. A page's request for a new window opens the page
// in this view instead. GUI thread only.
class LoginBrowser : public QWidget {
    Q_OBJECT
public:
    explicit LoginBrowser(QWidget* parent = nullptr);
    ~LoginBrowser() override;
    LoginBrowser(LoginBrowser const&) = delete;
    LoginBrowser& operator=(LoginBrowser const&) = delete;

    // Opens `address` exactly as given: not checked, not completed.
    void navigate(QString const& address);
    // The address of the page shown.
    [[nodiscard]] QString url() const;
    // What a status bar would show: the link under the mouse, else empty.
    [[nodiscard]] QString statusText() const { return m_statusText; }

    [[nodiscard]] QWebEngineView* view() const { return m_view; }
    [[nodiscard]] QWebEngineProfile* profile() const { return m_profile.get(); }

signals:
    // The browser has gone to another page; `address` names it.
    void navigated(QString const& address);
    void statusTextChanged(QString const& text);
    // The page shown has finished loading (`ok` false: it failed).
    void loadFinished(bool ok);

private:
    class Page;
    class NewWindowCatcher;

    void primeCookieStore();
    void openInPlace(QString const& address);

    // Declared first: the profile must outlive the page, view and bridge.
    std::unique_ptr<QWebEngineProfile> m_profile;
    QWebEngineView* m_view = nullptr;
    Page* m_page = nullptr;
    QPointer<QWebEnginePage> m_primer;  // gone once it has loaded
    CookieBridge* m_bridge = nullptr;
    QString m_statusText;
};

}  // namespace app::qt
