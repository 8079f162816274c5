#pragma once

// Helpers shared by the tests that drive Lettrix's windows.

#include "windowtesting.h"
