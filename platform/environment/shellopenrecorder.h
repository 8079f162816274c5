#pragma once

#include <QString>
#include <QStringList>

// Test hook: while an instance exists, ShellOpen() records the URLs it is
// given instead of starting a browser. Instances nest; the newest one records,
// and destroying it hands recording back to the one before.
class ShellOpenRecorder
{
public:
    ShellOpenRecorder();
    ~ShellOpenRecorder();
    ShellOpenRecorder(const ShellOpenRecorder &) = delete;
    ShellOpenRecorder &operator=(const ShellOpenRecorder &) = delete;

    QStringList urls() const { return m_urls; }

    static ShellOpenRecorder *active();
    void record(const QString &url);

private:
    ShellOpenRecorder *m_previous;
    QStringList m_urls;
};
