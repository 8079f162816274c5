#pragma once

#include "database/firebirdenv.h"

#include <QApplication>
#include <QtTest>

// QTEST_MAIN for tests that touch the database: the Firebird environment must
// be in place before the client library is loaded.
#define COURTMAIL_TEST_MAIN(TestObject)                                                                                \
    int main(int argc, char *argv[])                                                                                   \
    {                                                                                                                  \
        prepareFirebirdEnvironment();                                                                                  \
        QApplication app(argc, argv);                                                                                  \
        TestObject tc;                                                                                                 \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                     \
        return QTest::qExec(&tc, argc, argv);                                                                          \
    }
