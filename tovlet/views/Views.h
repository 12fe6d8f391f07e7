// The user-defined list views in one include.
#pragma once

#include "tovlet/views/CuiVList.h"
