#pragma once

// Qt's own texts in the programs' language. Message boxes and Qt's dialogs
// take their button texts ("Yes", "No", "OK", "Close") from Qt; the programs
// speak Russian whatever the desktop's locale, so Qt speaks Russian too
// ("Да", "Нет", "ОК", "Закрыть").

// Installs Qt's Russian translation (qtbase_ru from Qt's translations folder)
// into the running application for the rest of the run; call once, after the
// application object exists. Returns false, changing nothing, when the
// translation is not installed: the buttons then keep Qt's English texts.
bool InstallQtTranslation();
