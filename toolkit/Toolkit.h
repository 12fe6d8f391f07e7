// Every unit of the toolkit adapter in one include.
#pragma once

#include "toolkit/ActnList.h"
#include "toolkit/Classes.h"
#include "toolkit/DB.h"
#include "toolkit/DateUtils.h"
#include "toolkit/EditMask.h"
#include "toolkit/Exception.h"
#include "toolkit/Graphics.h"
#include "toolkit/Grids.h"
#include "toolkit/MemDataSet.h"
#include "toolkit/Package.h"
#include "toolkit/SqlDataSet.h"
#include "toolkit/SqlDatabase.h"
#include "toolkit/SqlTrace.h"
#include "toolkit/SysUtils.h"
