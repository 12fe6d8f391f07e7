// The demo's archive of visits: a million rows in the toolkit's string grid.
// The rows are made up from their number as they come into view; only what
// a user changes (a visit's status, its note) is kept in the grid's cells.
#pragma once

class QWidget;

namespace demo {

// A window with the archive, a line that says where the cursor is, and the
// grid focused on its first visit.
QWidget *CreateVisitArchiveWindow(QWidget *parent = nullptr);

} // namespace demo
