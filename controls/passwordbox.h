#pragma once

class QLineEdit;

// Turns a text box into the password box of the connection fields: it shows
// "*" for each character, where Qt's styles would show "●". The box keeps its
// own text; only what it shows changes.
void MakePasswordBox(QLineEdit *box);
