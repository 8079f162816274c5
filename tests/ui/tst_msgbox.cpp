#include "ui/msgbox.h"
#include "ui/msgboxrecorder.h"
#include "ui/qttranslation.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

class TestMsgBox : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void recordsTextButtonsAndTitle_data();
    void recordsTextButtonsAndTitle();
    void answers_data();
    void answers();
    void nestedRecordersRecordInTheNewest();
    void recorderDestroyedOutOfOrder();
    void handlerMayOpenAnotherBox();
    void logFileRecordsAndAnswersLikeClosing();

    void realBox_data();
    void realBox();
    void realBoxIsParentedToActiveWindow();
    void markupIsShownAsPlainText();
    // Last: the translation stays installed for the rest of the run.
    void buttonsSpeakRussian();

private:
    // Runs `act` on the message box as soon as it is up, then returns what
    // MsgBox() answered.
    int showAndAct(const QString &prompt, int buttons, const QString &title,
                   const std::function<void(QMessageBox *)> &act);
};

void TestMsgBox::initTestCase()
{
    QCoreApplication::setApplicationName("Lettrix");
}

void TestMsgBox::recordsTextButtonsAndTitle_data()
{
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<int>("buttons");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("icon");
    QTest::addColumn<int>("buttonSet");
    QTest::addColumn<QString>("shownTitle");

    QTest::newRow("second copy refused")
        << "Программа уже запущена!" << (vbOKOnly + vbInformation) << "Внимание!" << vbInformation << vbOKOnly
        << "Внимание!";
    QTest::newRow("question with yes and no")
        << "Перейти на страницу его загрузки?" << (vbYesNo + vbInformation) << "Внимание!" << vbInformation
        << vbYesNo << "Внимание!";
    QTest::newRow("critical error")
        << "В процессе подключения произошла ошибка.\r\nx\r\nПодключение не выполнено." << vbCritical << "Ошибка"
        << vbCritical << vbOKOnly << "Ошибка";
    QTest::newRow("no title gives the program's name")
        << "Подключение было отменено." << vbOKOnly << "" << 0 << vbOKOnly << "Lettrix";
    QTest::newRow("exclamation") << "x" << vbExclamation << "t" << vbExclamation << vbOKOnly << "t";
    QTest::newRow("question icon") << "x" << (vbQuestion + vbYesNo) << "t" << vbQuestion << vbYesNo << "t";
}

void TestMsgBox::recordsTextButtonsAndTitle()
{
    QFETCH(QString, prompt);
    QFETCH(int, buttons);
    QFETCH(QString, title);
    QFETCH(int, icon);
    QFETCH(int, buttonSet);
    QFETCH(QString, shownTitle);

    MsgBoxRecorder recorder;
    MsgBox(prompt, buttons, title);
    QCOMPARE(recorder.count(), 1);
    const MsgBoxCall call = recorder.last();
    QCOMPARE(call.prompt, prompt);
    QCOMPARE(call.buttons, buttons);
    QCOMPARE(call.icon(), icon);
    QCOMPARE(call.buttonSet(), buttonSet);
    QCOMPARE(call.title, shownTitle);
}

void TestMsgBox::answers_data()
{
    QTest::addColumn<QList<int>>("scripted");
    QTest::addColumn<QList<int>>("buttons");
    QTest::addColumn<QList<int>>("expected");

    QTest::newRow("unscripted OK box answers OK") << QList<int>{} << QList<int>{vbOKOnly} << QList<int>{vbOK};
    QTest::newRow("unscripted yes/no box answers Yes") << QList<int>{} << QList<int>{vbYesNo} << QList<int>{vbYes};
    QTest::newRow("scripted answers in order, then the first button")
        << QList<int>{vbNo, vbYes} << QList<int>{vbYesNo, vbYesNo, vbYesNo}
        << QList<int>{vbNo, vbYes, vbYes};
    QTest::newRow("an OK box takes its scripted answer too")
        << QList<int>{vbOK, vbNo} << QList<int>{vbOKOnly, vbYesNo + vbQuestion} << QList<int>{vbOK, vbNo};
}

void TestMsgBox::answers()
{
    QFETCH(QList<int>, scripted);
    QFETCH(QList<int>, buttons);
    QFETCH(QList<int>, expected);

    MsgBoxRecorder recorder(scripted);
    QList<int> got;
    for (int b : buttons)
        got.append(MsgBox("?", b, "t"));
    QCOMPARE(got, expected);
    QCOMPARE(recorder.count(), buttons.size());
}

void TestMsgBox::nestedRecordersRecordInTheNewest()
{
    MsgBoxRecorder outer({vbNo});
    MsgBox("one", vbYesNo);
    {
        MsgBoxRecorder inner({vbNo});
        QCOMPARE(MsgBox("two", vbYesNo), vbNo);
        QCOMPARE(inner.count(), 1);
        QCOMPARE(inner.last().prompt, QString("two"));
    }
    QCOMPARE(MsgBox("three", vbYesNo), vbYes);
    QCOMPARE(outer.count(), 2);
    QCOMPARE(outer.calls().at(1).prompt, QString("three"));
}

void TestMsgBox::recorderDestroyedOutOfOrder()
{
    MsgBoxRecorder base;
    auto middle = std::make_unique<MsgBoxRecorder>();
    auto top = std::make_unique<MsgBoxRecorder>();
    middle.reset(); // not the newest: unlinked, the top keeps recording
    MsgBox("a");
    QCOMPARE(top->count(), 1);
    top.reset();
    MsgBox("b");
    QCOMPARE(base.count(), 1);
    QCOMPARE(base.last().prompt, QString("b"));
}

void TestMsgBox::handlerMayOpenAnotherBox()
{
    MsgBoxRecorder recorder;
    int depth = 0;
    recorder.setHandler([&](const MsgBoxCall &call) {
        if (depth++ == 0)
            MsgBox("inner", vbOKOnly, "Ошибка");
        return call.buttonSet() == vbYesNo ? vbNo : vbOK;
    });
    QCOMPARE(MsgBox("outer", vbYesNo, "Внимание!"), vbNo);
    QCOMPARE(recorder.count(), 2);
    QCOMPARE(recorder.calls().at(0).prompt, QString("outer"));
    QCOMPARE(recorder.calls().at(1).prompt, QString("inner"));
    QCOMPARE(recorder.calls().at(1).title, QString("Ошибка"));
}

void TestMsgBox::logFileRecordsAndAnswersLikeClosing()
{
    QTemporaryDir dir;
    qputenv(MsgBoxLogVariable, QFile::encodeName(dir.filePath("boxes.log")));
    const int answer = MsgBox("Перейти?\r\n\"x\" <b>", vbYesNo + vbInformation);
    MsgBoxRecorder recorder; // a recorder in the process still comes first
    MsgBox("recorded");
    qunsetenv(MsgBoxLogVariable);
    QCOMPARE(answer, vbNo);
    QCOMPARE(recorder.count(), 1);
    QFile file(dir.filePath("boxes.log"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(QJsonDocument::fromJson(file.readAll()).object(),
             QJsonObject({{"title", QString("Lettrix")}, {"prompt", QString("Перейти?\r\n\"x\" <b>")},
                          {"buttons", vbYesNo + vbInformation}, {"answer", vbNo}}));
}

int TestMsgBox::showAndAct(const QString &prompt, int buttons, const QString &title,
                           const std::function<void(QMessageBox *)> &act)
{
    bool acted = false;
    QTimer poll;
    poll.setInterval(10);
    connect(&poll, &QTimer::timeout, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || acted)
            return;
        acted = true;
        act(box);
    });
    poll.start();
    const int answer = MsgBox(prompt, buttons, title);
    poll.stop();
    if (!acted)
        qWarning("the message box never showed");
    return answer;
}

void TestMsgBox::realBox_data()
{
    QTest::addColumn<int>("buttons");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QString>("shownTitle");
    QTest::addColumn<QString>("press"); // "yes", "no", "ok", "escape", "enter"
    QTest::addColumn<int>("expected");

    QTest::newRow("information OK") << (vbOKOnly + vbInformation) << "Внимание!" << int(QMessageBox::Information)
                                    << "Внимание!" << "ok" << vbOK;
    QTest::newRow("critical OK") << vbCritical << "Ошибка" << int(QMessageBox::Critical) << "Ошибка" << "ok" << vbOK;
    QTest::newRow("no icon, default title") << vbOKOnly << "" << int(QMessageBox::NoIcon) << "Lettrix" << "ok" << vbOK;
    QTest::newRow("exclamation") << vbExclamation << "t" << int(QMessageBox::Warning) << "t" << "ok" << vbOK;
    QTest::newRow("escape on OK box") << vbOKOnly << "t" << int(QMessageBox::NoIcon) << "t" << "escape" << vbOK;
    QTest::newRow("yes") << (vbYesNo + vbQuestion) << "Внимание!" << int(QMessageBox::Question) << "Внимание!"
                         << "yes" << vbYes;
    QTest::newRow("no") << (vbYesNo + vbInformation) << "Внимание!" << int(QMessageBox::Information) << "Внимание!"
                        << "no" << vbNo;
    QTest::newRow("escape on yes/no box answers No")
        << vbYesNo << "t" << int(QMessageBox::NoIcon) << "t" << "escape" << vbNo;
    QTest::newRow("enter answers Yes") << (vbYesNo + vbQuestion) << "t" << int(QMessageBox::Question) << "t" << "enter" << vbYes;
    QTest::newRow("enter answers No when it is the default")
        << (vbYesNo + vbQuestion + vbDefaultButton2) << "t" << int(QMessageBox::Question) << "t" << "enter" << vbNo;
}

void TestMsgBox::realBox()
{
    QFETCH(int, buttons);
    QFETCH(QString, title);
    QFETCH(int, icon);
    QFETCH(QString, shownTitle);
    QFETCH(QString, press);
    QFETCH(int, expected);

    QString seenText, seenTitle;
    int seenIcon = -1;
    QMessageBox::StandardButtons seenButtons;
    const int answer = showAndAct("first line\r\nsecond line\nthird", buttons, title, [&](QMessageBox *box) {
        seenText = box->text();
        seenTitle = box->windowTitle();
        seenIcon = box->icon();
        seenButtons = box->standardButtons();
        if (press == "escape")
            QTest::keyClick(box, Qt::Key_Escape);
        else if (press == "enter")
            QTest::keyClick(box, Qt::Key_Return);
        else if (press == "yes")
            box->button(QMessageBox::Yes)->click();
        else if (press == "no")
            box->button(QMessageBox::No)->click();
        else
            box->button(QMessageBox::Ok)->click();
    });
    QCOMPARE(answer, expected);
    QCOMPARE(seenText, QString("first line\nsecond line\nthird"));
    QCOMPARE(seenTitle, shownTitle);
    QCOMPARE(seenIcon, icon);
    const bool yesNo = (buttons & vbButtonSetMask) == vbYesNo;
    QCOMPARE(seenButtons, yesNo ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::StandardButtons(QMessageBox::Ok));
}

void TestMsgBox::realBoxIsParentedToActiveWindow()
{
    QWidget window;
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    QWidget *parent = nullptr;
    bool modal = false;
    showAndAct("x", vbOKOnly, "t", [&](QMessageBox *box) {
        parent = box->parentWidget();
        modal = box->isModal();
        box->button(QMessageBox::Ok)->click();
    });
    QCOMPARE(parent, &window);
    QVERIFY(modal);
}

void TestMsgBox::markupIsShownAsPlainText()
{
    Qt::TextFormat format = Qt::AutoText;
    QString text;
    showAndAct("<b>Token unknown</b> near \"<\"", vbCritical, "Ошибка", [&](QMessageBox *box) {
        format = box->textFormat();
        text = box->text();
        box->button(QMessageBox::Ok)->click();
    });
    QCOMPARE(format, Qt::PlainText);
    QCOMPARE(text, QString("<b>Token unknown</b> near \"<\""));
}

void TestMsgBox::buttonsSpeakRussian()
{
    QVERIFY2(InstallQtTranslation(), "Qt's Russian translation (qt6-translations-l10n) is not installed");
    QStringList seen;
    showAndAct("x", vbYesNo + vbQuestion, "t", [&](QMessageBox *box) {
        for (QAbstractButton *button : box->buttons())
            seen << button->text().remove(QLatin1Char('&'));
        if (qEnvironmentVariableIsSet("COURTMAIL_SCREENSHOT_DIR"))
            box->grab().save(qEnvironmentVariable("COURTMAIL_SCREENSHOT_DIR") + QStringLiteral("/msgbox-yes-no.png"));
        box->button(QMessageBox::No)->click();
    });
    seen.sort();
    QCOMPARE(seen, QStringList({"Да", "Нет"}));
    // OK and Qt's other dialogs take theirs from the same place.
    QDialogButtonBox more(QDialogButtonBox::Ok | QDialogButtonBox::Close);
    QCOMPARE(more.button(QDialogButtonBox::Ok)->text() + "|" + more.button(QDialogButtonBox::Close)->text(),
             QStringLiteral("ОК|Закрыть"));
}

QTEST_MAIN(TestMsgBox)
#include "tst_msgbox.moc"
