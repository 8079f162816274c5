#pragma once

// Helpers shared by the tests that drive Lettrix's windows.

#include "windowtesting.h"

#include "lettrixmain.h"

#include <QLineEdit>
#include <QTest>

// Waits until the party list shows the rows of the search box's text.
inline bool partiesListed(LettrixMain *window, int timeoutMs = 15000)
{
    return QTest::qWaitFor([window] { return !window->isLoadingParties(); }, timeoutMs);
}

// Types text into the search box and waits for its list.
inline bool searchParties(LettrixMain *window, const QString &text)
{
    child<QLineEdit>(window, "Stext")->setText(text);
    return partiesListed(window);
}
