// The business-object grids and list controls in one include.
#pragma once

#include "tovlet/grids/cBoGrid2.h"
#include "tovlet/grids/cMirGrid.h"
