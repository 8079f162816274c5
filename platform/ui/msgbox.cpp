#include "ui/msgbox.h"
#include "ui/msgboxrecorder.h"

#include <QApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageBox>

namespace {

QMessageBox::Icon iconFor(int buttons)
{
    switch (buttons & vbIconMask) {
    case vbCritical: return QMessageBox::Critical;
    case vbQuestion: return QMessageBox::Question;
    case vbExclamation: return QMessageBox::Warning;
    case vbInformation: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

QString plainLines(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

// The box of a program that a test runs in a process of its own: written to
// the file the test reads, and answered without anyone there to click.
int logAndAnswer(const QString &logFile, const QString &prompt, int buttons, const QString &title)
{
    const int answer = (buttons & vbButtonSetMask) == vbYesNo ? vbNo : vbOK;
    const QJsonObject line{{QStringLiteral("title"), title},
                           {QStringLiteral("prompt"), prompt},
                           {QStringLiteral("buttons"), buttons},
                           {QStringLiteral("answer"), answer}};
    QFile file(logFile);
    if (file.open(QIODevice::WriteOnly | QIODevice::Append))
        file.write(QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n');
    else
        qWarning("MsgBox: cannot append to %s", qPrintable(logFile));
    return answer;
}

} // namespace

QString DefaultMsgBoxTitle()
{
    return QCoreApplication::applicationName();
}

int MsgBox(const QString &Prompt, int Buttons, const QString &Title)
{
    const QString title = Title.isEmpty() ? DefaultMsgBoxTitle() : Title;
    const bool yesNo = (Buttons & vbButtonSetMask) == vbYesNo;

    if (MsgBoxRecorder *recorder = MsgBoxRecorder::active())
        return recorder->answer(MsgBoxCall{Prompt, Buttons, title});
    const QString logFile = qEnvironmentVariable(MsgBoxLogVariable);
    if (!logFile.isEmpty())
        return logAndAnswer(logFile, Prompt, Buttons, title);

    QMessageBox box(iconFor(Buttons), title, plainLines(Prompt),
                    yesNo ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok,
                    QApplication::activeWindow());
    // Error texts come from the database and the file system; a "<" in them
    // must not switch the box to rich text.
    box.setTextFormat(Qt::PlainText);
    if (yesNo)
        box.setDefaultButton((Buttons & vbDefaultButtonMask) == vbDefaultButton2 ? QMessageBox::No : QMessageBox::Yes);
    // Every window of the program waits for the answer, not just the parent.
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();

    const QAbstractButton *clicked = box.clickedButton();
    if (!yesNo)
        return vbOK;
    return clicked == box.button(QMessageBox::Yes) ? vbYes : vbNo;
}
