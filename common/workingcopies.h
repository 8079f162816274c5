#pragma once

#include <QString>

// Working copies are the filled workbooks saved in the Temp folder under
// "tovra_znp_" + a random number below one million + ".xls". Lettrix removes
// them, its own and Rostrel's, when it closes.

// Seeds the generator behind the working-copy names from the time of day.
void Randomize();

// A fresh working-copy path in folder, the file created there empty and
// readable by its owner only. The copies hold names and addresses and the
// Temp folder may be shared; the office keeps the mode of a file it saves
// over, so the filled copy stays private too. A name that is already taken
// is never returned, so a print can't overwrite a copy the clerk still has
// open. When the folder can't be written the path is still returned, and
// saving there reports the cause.
QString WorkingCopyName(const QString &folder);

// Deletes every working copy in folder, read-only ones too. A copy whose
// spreadsheet lock file lies beside it is still open and is kept. A file that
// can't be deleted doesn't stop the others; nothing is reported.
// Returns how many files were deleted.
int DeleteWorkingCopies(const QString &folder);
