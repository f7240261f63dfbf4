#pragma once

#include "devicebridge/DeviceBridge.h"
#include "views/route/RoutePanel.h"
