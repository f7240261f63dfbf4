#pragma once

#include "views/kit/Brand.h"
