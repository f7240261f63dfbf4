#pragma once

#include "views/kit/Brand.h"
#include "views/map/MapWidget.h"
