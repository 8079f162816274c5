#pragma once

#include <QString>

// True when another process of the same user already runs `programName`.
// The first call that finds no other instance makes this process the
// instance: it holds a lock in the user's runtime folder until it ends, and
// further calls in this process answer false. A lock left behind by a crashed
// instance does not count. When the check itself cannot be made (no writable
// folder), the answer is false: better two copies than none.
bool AnotherInstanceRunning(const QString &programName);
