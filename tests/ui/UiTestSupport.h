#pragma once

#include <QApplication>
#include <QString>
#include <QTest>

// Points HOME and the XDG folders at a fresh temporary folder, turns on the
// test mode of the standard paths and uses the offscreen platform, so that
// no widget test touches the user's files or needs a display.
void PrepareUiTestEnvironment();
QString TestHome();

#define TESSARIL_UI_TEST_MAIN(TestObject)                                                                              \
    int main(int argc, char **argv)                                                                                    \
    {                                                                                                                  \
        PrepareUiTestEnvironment();                                                                                    \
        QApplication app(argc, argv);                                                                                  \
        TestObject test;                                                                                               \
        return QTest::qExec(&test, argc, argv);                                                                        \
    }
