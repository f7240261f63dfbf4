#pragma once

#include "views/common/RowMenu.h"
