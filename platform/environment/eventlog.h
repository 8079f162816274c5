#pragma once

#include <QString>

// Writes an error entry to the system log (syslog, facility user), tagged with
// `source`, the program or component that reports. While an EventLogRecorder
// exists, the entry is recorded there instead.
void LogEvent(const QString &source, const QString &message);
