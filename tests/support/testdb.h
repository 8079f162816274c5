#pragma once

#include <QString>
#include <QTemporaryDir>

// Databases for tests that need the real Firebird engine.
//
// The ctest fixture "templatedb" (test make_template_db) builds one template
// case-file database per ctest run with scripts/make-db.sh: the case-file
// tables with 300 parties from casefilegen (the fixed parties described in
// tools/casefilegen/partygenerator.h come first) and the suite's three tables
// with the initial tariffs. Each test case takes its own copy, so cases never
// see each other's rows. The fixture "fbserver" starts a Firebird server on
// 127.0.0.1:3050 with SYSDBA / masterkey.
//
// A TestDb owns a temporary folder; the copies it hands out live until it is
// destroyed. Folder and copies are open to every user, so a server running
// under another account can use them as well.
class Connection;

class TestDb
{
public:
    TestDb();

    // build/testdata/template.fdb of the current build (COURTMAIL_BUILD_DIR).
    static QString templatePath();

    // Path of a fresh copy of the template (or of source), or an empty
    // string, with a warning, when there is nothing to copy.
    QString freshCopy(const QString &source = QString());

    // The DBNAME that reaches path through the test server.
    static QString serverName(const QString &path);
    // Whether something answers on 127.0.0.1:3050.
    static bool serverAvailable();

    static QString connectionString(const QString &dbName, const QString &user = QStringLiteral("SYSDBA"),
                                    const QString &password = QStringLiteral("masterkey"));

    // Ends the open connection's attachment to dbName from a second one, as
    // an administrator or a stopped server would. Throws DbException.
    static void endAttachment(Connection &victim, const QString &dbName);

    QString folder() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    int m_copies = 0;
};
