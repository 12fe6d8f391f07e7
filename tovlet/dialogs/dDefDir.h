// The folder chooser.
#pragma once

#include "tovlet/tovlet_export.h"
#include <QString>

namespace tovlet {

// The folder dialog starting at Dir; Dir again when cancelled.
TOVLET_EXPORT QString GetDefaultDirectoryDialog(const QString &Dir);

} // namespace tovlet
