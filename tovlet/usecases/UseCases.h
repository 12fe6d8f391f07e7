// The use-case framework in one include: the model and its XML file.
#pragma once

#include "tovlet/usecases/iUC.h"
#include "tovlet/usecases/IucXmap.h"
