#pragma once

#include "devicebridge/DeviceBridge.h"
#include "runtime/RuntimeLayout.h"
#include "views/route/RoutePanel.h"
