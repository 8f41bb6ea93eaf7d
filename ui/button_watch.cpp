#include "ui/button_watch.h"

#include "ui/button_bindings_file.h"

namespace gripline {

std::wstring actionLabel(ButtonAction action) {
    for (const ButtonActionInfo& info : buttonActions())
        if (info.action == action)
            return info.label;
    return L"";
}

void ButtonWatch::load() {
    bindings_ = readButtonBindings(file_);
}

void ButtonWatch::startBind(ButtonAction action, int64_t nowNs) {
    waiting_ = action;
    waitEndsNs_ = nowNs + kBindWaitNs;
}

void ButtonWatch::clear(ButtonAction action) {
    if (waiting_ == action)
        waiting_.reset();
    if (!bindings_.binding(action))
        return;
    bindings_.clear(action);
    save();
    view_.log(actionLabel(action) + L": binding cleared.");
}

bool ButtonWatch::takePresses(std::span<const NamedPress> presses,
                              std::span<const AttachedDevice> attached, const LocalTime& now) {
    if (presses.empty())
        return false;
    if (waiting_) {
        const NamedPress& first = presses.front();
        const BoundButton bound{first.press.device, first.press.product, first.press.button,
                                first.buttonName};
        bindings_.bind(*waiting_, bound);
        view_.log(actionLabel(*waiting_) + L" bound to " + bindingText(bound) + L".");
        waiting_.reset();
        save();
        return true;
    }
    for (const NamedPress& p : presses)
        if (const auto action = bindings_.actionFor(p.press, attached))
            commands_.run(*action, now);
    return false;
}

bool ButtonWatch::expire(int64_t nowNs) {
    if (!waiting_ || nowNs < waitEndsNs_)
        return false;
    view_.log(actionLabel(*waiting_) + L": no button was pressed within 10 s.");
    waiting_.reset();
    return true;
}

// Saved at once, section alone: the rest of the file is written by the
// usual saves and left as it is here.
void ButtonWatch::save() {
    if (!writeButtonBindings(file_, bindings_))
        view_.log(L"Could not save settings to " + file_.path().wstring() + L".");
}

} // namespace gripline
