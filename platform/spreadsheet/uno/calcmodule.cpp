// Entry point of libcourtmail_calc.so: the spreadsheet layer resolves this
// one symbol after loading the module, and owns what it returns.

#include "unocalcbackend.h"

extern "C" __attribute__((visibility("default"))) CalcBackend *courtmail_create_calc_backend()
{
    return new UnoCalcBackend;
}
