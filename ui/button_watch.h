#pragma once
// The window's side of the button bindings: the bindings kept in the
// settings file, the Buttons dialog's Bind wait (up to 10 s for the next
// press on any controller), and what each press does. The window polls the
// devices and hands the presses over. Window thread only.
#include "settings/settings_file.h"
#include "settings/settings_view.h"
#include "ui/button_bindings.h"
#include "ui/button_commands.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace gripline {

struct NamedPress {
    ButtonPress press;
    std::wstring buttonName; // "Button 5", "F5"
};

class ButtonWatch {
  public:
    static constexpr int64_t kBindWaitNs = 10'000'000'000;

    ButtonWatch(SettingsFile& file, SettingsView& view, ButtonCommands& commands)
        : file_(file), view_(view), commands_(commands) {}

    void load();
    const ButtonBindings& bindings() const { return bindings_; }
    // Whether the devices must be read: something is bound or a Bind waits.
    bool watching() const { return !bindings_.empty() || waiting_.has_value(); }
    std::optional<ButtonAction> waitingFor() const { return waiting_; }

    // The dialog's Bind: the next press within 10 s is bound to `action`.
    void startBind(ButtonAction action, int64_t nowNs);
    // The dialog's Clear, saved at once.
    void clear(ButtonAction action);
    // The dialog closed: a waiting Bind ends unbound.
    void cancelBind() { waiting_.reset(); }

    // One poll's presses, in the order seen. While a Bind waits the first
    // press is bound (and saved) and the rest ignored; otherwise each bound
    // press runs its action. True when the bindings or the wait changed.
    bool takePresses(std::span<const NamedPress> presses, std::span<const AttachedDevice> attached,
                     const LocalTime& now);
    // Ends a Bind that waited 10 s in vain; true when it did.
    bool expire(int64_t nowNs);

  private:
    void save();

    SettingsFile& file_;
    SettingsView& view_;
    ButtonCommands& commands_;
    ButtonBindings bindings_;
    std::optional<ButtonAction> waiting_;
    int64_t waitEndsNs_ = 0;
};

// The action's label as the dialog lists it.
std::wstring actionLabel(ButtonAction action);

} // namespace gripline
