#include "programglobals.h"

#include "clsini.h"

QString ProgramVersion;
std::unique_ptr<clsINI> Settings;
