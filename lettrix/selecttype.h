#pragma once

#include <QDialog>

#include <array>

class QLabel;
class XpB;

// The kind dialog: the clerk chooses a simple letter, a registered letter or
// a registered letter with delivery notification; the choice sets ItemType
// and ItemFlag, closes the dialog and opens the printing window.
class SelectType : public QDialog
{
    Q_OBJECT
public:
    explicit SelectType(QWidget *parent = nullptr);

    // Whether a kind was chosen; closing the dialog otherwise chooses none.
    bool chosen() const { return m_chosen; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void Form_Load();
    void SelButton_Click(int index);

    QLabel *bg;
    std::array<XpB *, 3> SelButton{};
    bool m_chosen = false;
};
