#pragma once

#include "views/common/DeletionConfirmation.h"
#include "views/route/RoutePanel.h"
