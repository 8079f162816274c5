#include "passwordbox.h"

#include <QLineEdit>

void MakePasswordBox(QLineEdit *box)
{
    box->setEchoMode(QLineEdit::Password);
    // The masking character is a style hint; the style sheet property sets
    // it for this box alone and leaves the drawing to the style.
    box->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
}
