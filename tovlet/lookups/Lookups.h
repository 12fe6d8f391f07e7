// The code-list choosers in one include.
#pragma once

#include "tovlet/lookups/frSifLis.h"
#include "tovlet/lookups/iFormatedMS.h"
