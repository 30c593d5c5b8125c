#pragma once

#include <QApplication>
#include <QTest>

// A main for window tests: the browser needs shared GL contexts set before
// the application exists.
#define TERVALA_QTEST_MAIN(TestClass)                                   \
    int main(int argc, char** argv)                                     \
    {                                                                   \
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);     \
        QApplication application(argc, argv);                           \
        TestClass test;                                                 \
        return QTest::qExec(&test, argc, argv);                         \
    }
