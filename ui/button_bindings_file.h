#pragma once
// The button bindings in the settings file, in a section of their own that
// nothing else reads or writes, so a file without it loads exactly as
// before and older programs pass it by. Per action (its key prefix P):
//   PDevice   the device's instance GUID, "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"
//   PProduct  the product's name
//   PButton   the button number from 0, or a keyboard's scan code
//   PName     the button's name as shown
// An action without a binding has none of these keys.
#include "settings/settings_file.h"
#include "ui/button_bindings.h"

#include <optional>
#include <string>

namespace gripline {

inline constexpr const wchar_t* kButtonBindingsSection = L"ButtonBindings";

std::wstring guidText(const DeviceGuid& guid);
// Exactly the form guidText writes (either case of hex digits); anything
// else is none.
std::optional<DeviceGuid> parseGuid(const std::wstring& text);

// A binding with a missing or malformed key is left unbound.
ButtonBindings readButtonBindings(const SettingsFile& file);
// Writes the section's keys of every action (and deletes those of unbound
// actions); false when a write failed.
bool writeButtonBindings(SettingsFile& file, const ButtonBindings& bindings);

} // namespace gripline
