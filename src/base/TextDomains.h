#pragma once

#include <QCoreApplication>

// One translation context per text domain: the main program's texts, the
// dialogs' texts and the library texts (runtime errors, small controls).
// The core and the windows share them, so one translation covers both.
struct PrgText
{
    Q_DECLARE_TR_FUNCTIONS(PrgText)
};

struct DlgText
{
    Q_DECLARE_TR_FUNCTIONS(DlgText)
};

struct LibText
{
    Q_DECLARE_TR_FUNCTIONS(LibText)
};
