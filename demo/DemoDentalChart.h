// The demo's dental chart of a patient: the upper jaw 18…11 | 21…28 over the
// lower 48…41 | 31…38, one tooth panel per tooth, seen from the front (the
// patient's right on the left). The demo keeps no dental records, so the
// findings are made up from the patient's ID: the same patient always shows
// the same mouth.
#pragma once

#include <QtGlobal>

class QWidget;

namespace demo {

// A window with the chart, its legend and a count of the findings.
QWidget *CreateDentalChartWindow(qint64 patientId, QWidget *parent = nullptr);

} // namespace demo
