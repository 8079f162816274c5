#pragma once

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>

// Answers modal windows as they open: each step names the window (its
// objectName) and what to do with it. Steps run in order; a window that no
// step expects is closed, and counted, so a test can never hang on one.
class ModalDriver : public QObject
{
public:
    using Action = std::function<void(QWidget *)>;

    ModalDriver()
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] { poll(); });
        m_timer.start();
    }

    void expect(const QString &window, Action action) { m_steps.append({window, std::move(action)}); }

    QStringList seen() const { return m_seen; }
    int unexpected() const { return m_unexpected; }

private:
    void poll()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible() || modal == m_last)
            return;
        m_last = modal;
        m_seen.append(modal->objectName());
        // Acting from a fresh event lets this timer fire again for a window
        // the action opens in a nested event loop.
        QPointer<QWidget> target(modal);
        if (!m_steps.isEmpty() && m_steps.first().window == modal->objectName()) {
            const Action action = m_steps.takeFirst().action;
            QTimer::singleShot(0, this, [target, action] {
                if (target)
                    action(target);
            });
        } else {
            ++m_unexpected;
            QTimer::singleShot(0, this, [target] {
                if (target)
                    target->close();
            });
        }
    }

    struct Step
    {
        QString window;
        Action action;
    };
    QList<Step> m_steps;
    QStringList m_seen;
    int m_unexpected = 0;
    QPointer<QWidget> m_last;
    QTimer m_timer;
};
