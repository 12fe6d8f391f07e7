// The base dialog family, the small common dialogs, the icons, the
// database pictures and the basic visual controls in one include.
#pragma once

#include "tovlet/dialogs/dZDR.h"
#include "tovlet/dialogs/dZDRDB.h"
#include "tovlet/dialogs/dZdrBo.h"
#include "tovlet/dialogs/fZdrCust.h"
#include "tovlet/dialogs/fZdrEnv.h"
#include "tovlet/dialogs/dAfPrgrs.h"
#include "tovlet/dialogs/dAskBPL.h"
#include "tovlet/dialogs/dDefDir.h"
#include "tovlet/dialogs/dIHSelectionMode.h"
#include "tovlet/dialogs/dReason.h"
#include "tovlet/dialogs/fRepPreD.h"
#include "tovlet/dialogs/fmPleaseWait.h"
#include "tovlet/dialogs/cBasic.h"
#include "tovlet/dialogs/dIcons.h"
#include "tovlet/dialogs/iBmpProv.h"
