#include "app/qt/theme.h"

#include <QApplication>
#include <QFile>
#include <QStyleFactory>

// Q_INIT_RESOURCE must be used outside any namespace.
static void InitTervalaResources()
{
    Q_INIT_RESOURCE(tervala);
}

namespace app::qt {

namespace {
constexpr int OwnTheme = 13;
}

void LoadResources()
{
    static bool const loaded = [] {
        InitTervalaResources();
        return true;
    }();
    (void)loaded;
}

void AttachSkin(int number)
{
    if (number != OwnTheme) return;
    LoadResources();
    QFile sheet(QStringLiteral(":/tervala/tervala.qss"));
    if (!sheet.open(QIODevice::ReadOnly)) return;
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) QApplication::setStyle(fusion);
    qApp->setStyleSheet(QString::fromUtf8(sheet.readAll()));
}

}  // namespace app::qt
