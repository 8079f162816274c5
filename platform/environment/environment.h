#pragma once

#include <QString>

// Who runs the program and where its files are.

// The clerk's user name as stored with every letter: $USERNAME, else $USER,
// else the account name of the process's user. Empty variables count as unset.
QString UserName();

// The user's folder for temporary files (working copies of workbooks): TMPDIR
// when it names a folder the user can write, else the system's (/tmp).
QString TempFolder();

// The folder of the program's executable, where "options.ini", the templates
// and the SQL scripts lie; setProgramFolder() replaces it (tests), an empty
// path restores the executable's folder.
QString ProgramFolder();
void setProgramFolder(const QString &folder);
