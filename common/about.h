#pragma once

#include <QDialog>

class QLabel;
class QUrl;
class XpB;

// The about box of Lettrix and Rostrel: the program's name, the driver's
// download page and the suite's home page, and the update check behind the
// version button. Open it modally over a main window; it takes that window's
// icon. The check downloads the server's answer into "version.tmp" in the
// program's folder, or, when that folder can't be written, in the user's own
// cache folder of the program.
class About : public QDialog
{
    Q_OBJECT
public:
    explicit About(QWidget *parent = nullptr);

    // How long a check waits for the update server, in milliseconds; tests
    // shorten it, 0 restores the ten seconds the clerk gets.
    static void setTimeLimit(int msec);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    void buildControls();
    void wireHandlers();

    void Form_Load();
    void XpB2_Click();
    void XpB_Click();
    void Label1_Click();
    void Label3_Click();

    // The server's answer, only when it came whole with a 2xx status within
    // the time limit.
    bool download(const QUrl &address, QByteArray *body);

    QLabel *bg = nullptr;
    QLabel *lblTitle = nullptr;
    QLabel *lblDescription = nullptr;
    QLabel *picIcon = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;
    // Named as the control; the class is reached as ::XpB below.
    ::XpB *XpB = nullptr;
    ::XpB *XpB2 = nullptr;

    bool m_checking = false;
};
