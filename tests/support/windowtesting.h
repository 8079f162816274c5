#pragma once

// Helpers shared by the tests that drive the programs' windows.

#include <QFile>
#include <QString>
#include <QWidget>

// The control of that objectName; a missing one ends the test program, since
// every later step would only fail confusingly.
template<typename T>
T *child(QWidget *window, const QString &name)
{
    T *found = window->findChild<T *>(name);
    if (!found)
        qFatal("no control %s", qPrintable(name));
    return found;
}

template<typename T>
T *child(QWidget *window, const char *name)
{
    return child<T>(window, QString::fromLatin1(name));
}

// options.ini in folder, connecting to dbName as SYSDBA.
inline bool writeOptions(const QString &folder, const QString &dbName,
                         const QString &password = QStringLiteral("masterkey"))
{
    QFile f(folder + QStringLiteral("/options.ini"));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    f.write((QStringLiteral("[Main]\r\nConnectionString=") + dbName + QStringLiteral("\r\nUser=SYSDBA\r\nPass=") + password
             + QStringLiteral("\r\n"))
                .toUtf8());
    return true;
}
