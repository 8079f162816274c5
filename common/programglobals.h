#pragma once

#include <QString>

#include <memory>

class clsINI;

// Program-wide state that every window of a program shares.

// The program's version, set by the main window at start-up, shown and
// compared by the about box.
extern QString ProgramVersion;

// The program's one settings object, created by the main window at start-up
// and kept to the end.
extern std::unique_ptr<clsINI> Settings;
