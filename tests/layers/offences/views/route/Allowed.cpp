#pragma once

#include "BuildConfig.h"
#include "planner/LocationPlannerViewModel.h"
#include "views/common/RowMenu.h"
#include "views/kit/Brand.h"
#include "views/place/PlaceSearchField.h"
#include "views/route/RouteSummaryCard.h"
