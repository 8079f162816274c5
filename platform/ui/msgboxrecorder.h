#pragma once

#include <QList>
#include <QString>

#include <functional>

// What one MsgBox() call asked for; `title` is the title that would show
// (the default title already filled in).
struct MsgBoxCall
{
    QString prompt;
    int buttons = 0;
    QString title;

    int icon() const;       // vbCritical, vbQuestion, ... or 0
    int buttonSet() const;  // vbOKOnly or vbYesNo
    int defaultButton() const; // vbDefaultButton1 or vbDefaultButton2
};

// Test hook: while an instance exists, MsgBox() shows nothing; the call is
// recorded here and answered from the scripted answers in order. When they
// run out, the box's first button answers (vbOK, or vbYes for a Yes/No box).
// A handler, when set, answers instead and may itself call MsgBox() (a box
// that opens while another is up); recorders nest, the newest records, and
// destroying it hands recording back to the one before.
class MsgBoxRecorder
{
public:
    explicit MsgBoxRecorder(const QList<int> &answers = {});
    ~MsgBoxRecorder();
    MsgBoxRecorder(const MsgBoxRecorder &) = delete;
    MsgBoxRecorder &operator=(const MsgBoxRecorder &) = delete;

    void addAnswer(int answer) { m_answers.append(answer); }
    void setHandler(std::function<int(const MsgBoxCall &)> handler) { m_handler = std::move(handler); }

    QList<MsgBoxCall> calls() const { return m_calls; }
    int count() const { return int(m_calls.size()); }
    // The latest call; an empty call when there was none.
    MsgBoxCall last() const { return m_calls.isEmpty() ? MsgBoxCall() : m_calls.last(); }
    void clear() { m_calls.clear(); }

    static MsgBoxRecorder *active();
    int answer(const MsgBoxCall &call);

private:
    MsgBoxRecorder *m_previous;
    QList<int> m_answers;
    QList<MsgBoxCall> m_calls;
    std::function<int(const MsgBoxCall &)> m_handler;
};
