#pragma once

#include <QString>

// Working copies are the filled workbooks saved in the Temp folder under
// "tovra_znp_" + a random number below one million + ".xls". Lettrix removes
// them, its own and Rostrel's, when it closes.

// Seeds the generator behind the working-copy names from the time of day.
void Randomize();

// A fresh working-copy path in folder. A name that is already taken is never
// returned, so a print can't overwrite a copy the clerk still has open.
QString WorkingCopyName(const QString &folder);

// Deletes every working copy in folder, read-only ones too. A copy whose
// spreadsheet lock file lies beside it is still open and is kept. A file that
// can't be deleted doesn't stop the others; nothing is reported.
// Returns how many files were deleted.
int DeleteWorkingCopies(const QString &folder);
