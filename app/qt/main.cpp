#include <QApplication>

#include "app/qt/main-window.h"

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tervala"));
    app::qt::MainWindow window;
    window.show();
    return QApplication::exec();
}
