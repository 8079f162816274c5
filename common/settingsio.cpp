#include "common/settingsio.h"
#include "common/clsini.h"

#include <QLineEdit>

void LoadSettings(clsINI &settings, QLineEdit *Text1, QLineEdit *Text2, QLineEdit *Text3)
{
    Text1->setText(settings.ReadINI(QStringLiteral("ConnectionString")));
    Text2->setText(settings.ReadINI(QStringLiteral("User")));
    Text3->setText(settings.ReadINI(QStringLiteral("Pass")));
}

void SaveSettings(clsINI &settings, const QLineEdit *Text1, const QLineEdit *Text2, const QLineEdit *Text3)
{
    settings.SaveINI(Text1->text(), QStringLiteral("ConnectionString"));
    settings.SaveINI(Text2->text(), QStringLiteral("User"));
    settings.SaveINI(Text3->text(), QStringLiteral("Pass"));
}
