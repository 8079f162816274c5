#pragma once

#include <QString>

// Opens a web page (or any URL) in the user's default application, without
// waiting for it. While a ShellOpenRecorder exists, the URL is recorded there
// instead. Returns false when no application could be asked to open it.
bool ShellOpen(const QString &url);
