#pragma once

#include <QString>

// Reading and writing single keys of a Windows-style profile ("ini") file,
// with the semantics the programs relied on under the original profile API:
// section and key names match case-insensitively, blanks around key, "=" and
// value are ignored, a value in matching double quotes loses them, and
// anything missing yields the default. Files are UTF-8 (all of them are
// written by our own programs, there is no ANSI code page to honour).
//
// Neither function reports I/O errors to the user: a read that fails gives the
// default, a write that fails leaves the file exactly as it was.

// Copies the value of `key` in `section` of `fileName` (or `defaultValue`
// when the file, section or key is missing) into `out`, cut to at most
// bufferSize - 1 characters, and returns the number of characters copied.
// A bufferSize below 1 copies nothing and returns 0.
int ReadProfileString(const QString &section, const QString &key,
                      const QString &defaultValue, QString &out,
                      int bufferSize, const QString &fileName);

// Sets `key` in `section` to `value`; a value with blanks at either end, or
// one in double quotes, is written in double quotes, so that it reads back
// unchanged. An existing line of the key is replaced
// where it stands; every other byte of the file stays as it was. A missing
// section is appended at the end. The file is replaced atomically, and is
// left readable by its owner only whatever mode it had (it holds a password).
// Returns false, changing nothing, when the file cannot be written, is marked
// read-only, or when a name or the value cannot be stored on one line
// (an empty name, a line break, "=" in the key, "]" in the section).
bool WriteProfileString(const QString &section, const QString &key,
                        const QString &value, const QString &fileName);
