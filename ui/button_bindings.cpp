#include "ui/button_bindings.h"

#include <algorithm>

namespace gripline {

namespace {

constexpr ButtonActionInfo kActions[] = {
    {ButtonAction::StrengthDown, L"Force strength \u2212", L"StrengthDown"},
    {ButtonAction::StrengthUp, L"Force strength +", L"StrengthUp"},
    {ButtonAction::ForceOffOn, L"Force off / on", L"ForceOffOn"},
    {ButtonAction::RecordStopRec, L"Record / Stop rec", L"RecordStopRec"},
    {ButtonAction::NextProfile, L"Next driver profile", L"NextProfile"},
};
static_assert(std::size(kActions) == kButtonActionCount);

size_t slot(ButtonAction action) {
    return static_cast<size_t>(action);
}

bool attachedHas(std::span<const AttachedDevice> attached, const DeviceGuid& device) {
    return std::any_of(attached.begin(), attached.end(),
                       [&](const AttachedDevice& a) { return a.device == device; });
}

} // namespace

std::span<const ButtonActionInfo> buttonActions() {
    return kActions;
}

std::wstring bindingText(const BoundButton& button) {
    return button.product + L", " + button.buttonName;
}

const std::optional<BoundButton>& ButtonBindings::binding(ButtonAction action) const {
    return bindings_[slot(action)];
}

void ButtonBindings::bind(ButtonAction action, const BoundButton& button) {
    for (std::optional<BoundButton>& other : bindings_)
        if (other && other->device == button.device && other->button == button.button)
            other.reset();
    bindings_[slot(action)] = button;
}

void ButtonBindings::clear(ButtonAction action) {
    bindings_[slot(action)].reset();
}

bool ButtonBindings::empty() const {
    return std::none_of(bindings_.begin(), bindings_.end(),
                        [](const auto& b) { return b.has_value(); });
}

std::optional<ButtonAction>
ButtonBindings::actionFor(const ButtonPress& press, std::span<const AttachedDevice> attached) const {
    // Its own device first: with two devices of one product, each keeps its
    // own buttons.
    for (const bool sameInstance : {true, false}) {
        for (const ButtonActionInfo& info : kActions) {
            const std::optional<BoundButton>& b = bindings_[slot(info.action)];
            if (!b || b->button != press.button)
                continue;
            const bool matches = sameInstance ? b->device == press.device
                                              : !attachedHas(attached, b->device) &&
                                                    b->product == press.product;
            if (matches)
                return info.action;
        }
    }
    return std::nullopt;
}

ButtonSet PressTracker::pressed(const DeviceGuid& device, const ButtonSet& down) {
    const auto it = std::find_if(seen_.begin(), seen_.end(),
                                 [&](const Seen& s) { return s.device == device; });
    if (it == seen_.end()) {
        seen_.push_back({device, down});
        return {};
    }
    const ButtonSet fresh = down & ~it->down;
    it->down = down;
    return fresh;
}

void PressTracker::forget(const DeviceGuid& device) {
    std::erase_if(seen_, [&](const Seen& s) { return s.device == device; });
}

} // namespace gripline
