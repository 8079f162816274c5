#include "environment/eventlog.h"
#include "environment/eventlogrecorder.h"

#include <QByteArray>

#include <syslog.h>

void LogEvent(const QString &source, const QString &message)
{
    if (EventLogRecorder *recorder = EventLogRecorder::active()) {
        recorder->record(source, message);
        return;
    }
    // openlog() keeps the pointer, not the text: the tag must outlive the call.
    static QByteArray tag;
    tag = source.toUtf8();
    ::openlog(tag.constData(), LOG_PID, LOG_USER);
    // Never as the format: the message may well contain "%".
    ::syslog(LOG_ERR, "%s", message.toUtf8().constData());
    ::closelog();
}
