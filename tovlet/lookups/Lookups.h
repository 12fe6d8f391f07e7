// The code-list choosers in one include.
#pragma once

#include "tovlet/lookups/frSifLis.h"
#include "tovlet/lookups/iFormatedMS.h"
#include "tovlet/lookups/dLList.h"
#include "tovlet/lookups/dMulSSS.h"
