// Every unit of the persistence layer in one include.
#pragma once

#include "pelvar/plAuth.h"
#include "pelvar/plContext.h"
#include "pelvar/plCore.h"
#include "pelvar/plDatabase.h"
#include "pelvar/plList.h"
#include "pelvar/plMeta.h"
#include "pelvar/plObject.h"
#include "pelvar/plView.h"
