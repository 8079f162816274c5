#pragma once

#include <QDialog>
#include <QString>

#include <array>
#include <functional>

class Check;
class ExcelWorksheet;
class QComboBox;
class QLabel;
class XpB;

// The printing window of Lettrix: the envelope of the letter being
// registered, in one of the envelope layouts of the templates folder, and
// both sides of its delivery notification, the back in one of four positions
// on the sheet. It reads the current-letter variables and changes none.
//
// Every print starts its own spreadsheet instance and either prints and
// quits it, or, with Check1 ticked, leaves the filled workbook to the clerk.
// A print that fails at any step is abandoned whole: the instance is quit,
// nothing half-filled is printed or shown, a critical "Ошибка" box names the
// cause, and the window stays usable.
//
// Child widgets are owned by the window, as Qt parents own them.
class PrntForm : public QDialog
{
    Q_OBJECT
public:
    explicit PrntForm(QWidget *parent = nullptr);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildControls();
    void wireHandlers();

    void Form_Load();
    void XpB2_Click();
    void ulic_Click();
    void uob_Click(qint16 index);
    void XpB1_Click();

    void PrintEnvelope(const QString &templatePath);

    // The common frame of the three prints: open the template in a new
    // instance, save it at once as a working copy when asked, let `fill`
    // write into sheet 1, then print and quit, or leave it to the clerk.
    // `fill` reports its own failures by throwing. False when the print was
    // abandoned (the box has then been shown).
    bool PrintFrame(const QString &templatePath, bool useWorkingCopy,
                    const std::function<void(ExcelWorksheet &)> &fill);

    // The templates folder with its trailing separator, set on load.
    QString TemplatesFolder;

    // Controls, named as the clerk's form names them.
    QLabel *bg = nullptr;
    QComboBox *Combo1 = nullptr;
    XpB *XpB2 = nullptr;
    std::array<XpB *, 1> ulic{};
    std::array<XpB *, 4> uob{};
    Check *Check1 = nullptr;
    QLabel *Label2 = nullptr;
    XpB *XpB1 = nullptr;
    std::array<QLabel *, 4> Label1{};
};
