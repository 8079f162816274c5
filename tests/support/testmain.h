#pragma once

#include "database/firebirdenv.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QtTest>

// Each test process gets a runtime folder of its own, so the single-copy
// locks of windows in test programs that ctest runs side by side never meet.
// Child processes inherit it, so a test can still start a real second copy.
inline void useOwnRuntimeFolder()
{
    static QTemporaryDir runtime;
    if (runtime.isValid())
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
}

// QTEST_MAIN for tests that touch the database: the Firebird environment must
// be in place before the client library is loaded.
#define COURTMAIL_TEST_MAIN(TestObject)                                                                                \
    int main(int argc, char *argv[])                                                                                   \
    {                                                                                                                  \
        prepareFirebirdEnvironment();                                                                                  \
        useOwnRuntimeFolder();                                                                                         \
        QApplication app(argc, argv);                                                                                  \
        TestObject tc;                                                                                                 \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                     \
        return QTest::qExec(&tc, argc, argv);                                                                          \
    }
