#include "environment/shellopen.h"
#include "environment/shellopenrecorder.h"

#include <QDesktopServices>
#include <QUrl>

bool ShellOpen(const QString &url)
{
    if (ShellOpenRecorder *recorder = ShellOpenRecorder::active()) {
        recorder->record(url);
        return true;
    }
    return QDesktopServices::openUrl(QUrl::fromUserInput(url));
}
