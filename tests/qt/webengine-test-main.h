#pragma once

// main() for a QtTest of the embedded browser: the engine's sandbox cannot
// run as root (CI) and there is no GPU under Xvfb.

#include <QApplication>
#include <QtTest>

#define TERVALA_WEBENGINE_TEST_MAIN(TestClass)                                                   \
    int main(int argc, char** argv)                                                              \
    {                                                                                            \
        if (qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))                          \
            qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");                                         \
        if (qEnvironmentVariableIsEmpty("QTWEBENGINE_CHROMIUM_FLAGS"))                           \
            qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox --disable-gpu");                 \
        QApplication application(argc, argv);                                                    \
        TestClass test;                                                                          \
        return QTest::qExec(&test, argc, argv);                                                  \
    }
