// The framework core in one include: the package frame, the authorising
// action list and page control, application parameters and string collections.
#pragma once

#include "tovlet/core/Tovlet.h"
#include "tovlet/core/cBasic.h"
#include "tovlet/core/cCollections.h"
#include "tovlet/core/iAfParam.h"
