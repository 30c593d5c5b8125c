#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <QWidget>

#include "app/program-state.h"
#include "app/qt/main-window.h"
#include "app/window.h"

namespace window_test {

inline QString U(char const* text)
{
    return QString::fromUtf8(text);
}

// Addresses that go nowhere: the browser and the update check fail at once.
inline app::SiteConfig NowhereSite()
{
    app::SiteConfig site;
    std::string const nowhere = "http://127.0.0.1:9";
    site.siteWebRoot = nowhere;
    site.siteDomain = "127.0.0.1";
    site.siteApiRoot = nowhere;
    site.updatePageUrl = nowhere + "/update.txt";
    site.feedbackPageUrl = nowhere + "/feedback";
    site.otherToolsUrl = nowhere + "/tools";
    site.contactUrl = nowhere + "/contact";
    return site;
}

// What the desktop was asked to do, instead of doing it.
struct RecordingDesktop {
    QStringList openedAddresses;
    QStringList openedFolders;
    QString folderToChoose;  // what the folder picker "returns"
    QString pickerTitle;
    QString pickerInitial;
    std::atomic<int> updateChecks{0};  // bumped on the check's own thread

    app::qt::MainWindow::Desktop desktop()
    {
        return {
            [this](QString const& address) { openedAddresses << address; },
            [this](QString const& folder) { openedFolders << folder; },
            [this](QString const& title, QString const& initial) {
                pickerTitle = title;
                pickerInitial = initial;
                return folderToChoose;
            },
            [this](app::Window&) { ++updateChecks; },  // counted on the window side below
        };
    }
};

template <typename Widget>
Widget* Control(QWidget* window, char const* name)
{
    return window->findChild<Widget*>(U(name));
}

// The message boxes open at the moment (worker boxes are top-level dialogs).
inline QList<QMessageBox*> OpenBoxes()
{
    QList<QMessageBox*> boxes;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible()) boxes << box;
    }
    return boxes;
}

}  // namespace window_test
