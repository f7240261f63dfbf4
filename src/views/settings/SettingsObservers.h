#pragma once

#include <functional>

class QObject;

namespace ostrevin {

class LocationPlannerViewModel;

/// Calls `refresh` whenever a state that the settings tabs' enable rules read
/// changes: device work, holding, playback, planning, the draft and the Telegram
/// operations. The connections end with `context`.
void onRuleInputsChanged(LocationPlannerViewModel& viewModel, QObject* context, const std::function<void()>& refresh);

} // namespace ostrevin
