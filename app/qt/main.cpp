#include <QApplication>

#include "app/qt/main-window.h"

int main(int argc, char** argv)
{
    // The embedded browser shares GL contexts with the widgets.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tervala"));
    app::qt::MainWindow window;
    window.show();
    return QApplication::exec();
}
