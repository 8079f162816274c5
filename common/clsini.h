#pragma once

#include <QString>
#include <QVariant>

// The settings file of a program ("options.ini" in the program's folder): reads
// and writes single keys. A call that names no section uses the section of the
// previous call, and "Main" before any; the caller's section argument, when
// given, receives the section actually used. Values read back are cut to 254
// characters. Errors are never reported: a failed read gives "", a failed
// write changes nothing.
class clsINI
{
public:
    clsINI();

    QString ReadINI(const QString &KeyName, QString *Section = nullptr);
    QString ReadINI(const QString &KeyName, QString &Section);

    // The value is written as text: text as it is, numbers with the regional
    // decimal separator, Booleans as "True"/"False".
    void SaveINI(const QVariant &KeyValue, const QString &KeyName, QString *Section = nullptr);
    void SaveINI(const QVariant &KeyValue, const QString &KeyName, QString &Section);

    QString FileName() const { return m_fileName; }
    void setFileName(const QString &fileName) { m_fileName = fileName; }

private:
    QString chooseSection(QString *section);

    QString m_fileName;
    QString m_lastSection;
};
