#pragma once

#include "views/place/PlaceSuggestionList.h"
