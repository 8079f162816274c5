#pragma once

class clsINI;
class QLineEdit;

// The connection fields of a main window (database path, user, password) and
// the settings file: loaded once at start-up, saved after every successful
// connection, under the keys ConnectionString, User and Pass of the section
// in use. The widgets stay the caller's.

// A missing key empties its field, replacing whatever it showed before.
void LoadSettings(clsINI &settings, QLineEdit *Text1, QLineEdit *Text2, QLineEdit *Text3);
void SaveSettings(clsINI &settings, const QLineEdit *Text1, const QLineEdit *Text2, const QLineEdit *Text3);
