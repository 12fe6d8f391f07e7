// The scheduling controls in one include.
#pragma once

#include "tovlet/planner/SPPlanners.h"
