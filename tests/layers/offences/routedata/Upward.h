#pragma once

#include "planner/LocationPlannerViewModel.h"
#include "platform/AtomicFile.h"
