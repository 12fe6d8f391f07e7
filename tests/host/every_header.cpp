// Every subsystem's one include, as a host includes it from the installed
// package: each must stand on its own.
#include "marvok/Marvok.h"
#include "pelvar/Pelvar.h"
#include "toolkit/Toolkit.h"
#include "tovlet/core/Core.h"
#include "tovlet/dialogs/Dialogs.h"
#include "tovlet/grids/Grids.h"
#include "tovlet/lookups/Lookups.h"
#include "tovlet/planner/Planner.h"
#include "tovlet/usecases/UseCases.h"
#include "tovlet/views/Views.h"
