// Every unit of the utility library in one include.
#pragma once

#include "marvok/Cvalinfo.h"
#include "marvok/Iabzip.h"
#include "marvok/Idialogs.h"
#include "marvok/Iforms.h"
#include "marvok/Igl.h"
#include "marvok/Ilog.h"
#include "marvok/Iquery.h"
#include "marvok/Isifrant.h"
#include "marvok/Istrings.h"
#include "marvok/Iutils.h"
#include "marvok/cControls.h"
#include "marvok/cDateEdit.h"
#include "marvok/cDBGrid.h"
#include "marvok/cSifra.h"
