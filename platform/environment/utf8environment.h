#pragma once

#include <QByteArrayList>

// The character type of a program we start. The office takes file names in
// the character set of its locale; a locale that names no UTF-8 set, or one
// the machine never generated (the C library then falls back to ASCII), makes
// it fail on every Cyrillic file name. Entries are "NAME=value", as environ
// holds them.

// Whether a process started with `environment` gets a locale that exists on
// this machine and encodes characters in UTF-8.
bool HasUtf8CharacterType(const QByteArrayList &environment);

// `environment` unchanged when it already has a UTF-8 character type;
// otherwise with LC_CTYPE set to the UTF-8 form of its locale when the machine
// has it, else to C.UTF-8. Every other category keeps what it had: a locale
// set by LC_ALL moves to LANG, which then serves all but the character type.
QByteArrayList WithUtf8CharacterType(const QByteArrayList &environment);

// The entries of this process's own environment.
QByteArrayList ProcessEnvironment();
