// Numeric and date helpers of the utility library.
#pragma once

#include "marvok/marvok_export.h"
#include "toolkit/DateUtils.h"

#include <QWidget>

namespace marvok {

// Rounds half away from zero to `decimals` places, on the decimal value
// (2.675 to two places is 2.68), as the database's ROUND does. Negative
// `decimals` round to tens, hundreds, ...
MARVOK_EXPORT double OracleRoundTo(double value, int decimals);
// The date without its time.
MARVOK_EXPORT toolkit::TDateTime DatePart(toolkit::TDateTime value);
// Whole minutes between two moments, whichever comes first.
MARVOK_EXPORT int IMinutesBetween(toolkit::TDateTime a, toolkit::TDateTime b);
MARVOK_EXPORT int maxI(int a, int b);
// Colour depth of the primary screen; 0 without one.
MARVOK_EXPORT int BitsPerPixel();
// Gives the heap the process no longer uses back to the system (after a
// large list was freed, say); the process keeps working as before. Safe at
// any time; does nothing where the C library cannot do it.
MARVOK_EXPORT void TrimMemoryUsage();

// Infutils: the form a control sits on (its top-level window).
MARVOK_EXPORT QWidget *GetParentForm(QWidget *control);

} // namespace marvok
