#pragma once
// File names as the settings' UTF-16 text and back, without the
// locale-dependent conversions of std::filesystem (native names are UTF-8
// bytes). The text conversions themselves live in common/unicode_text.h.
#include "common/unicode_text.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace gripline {

std::wstring pathText(const std::filesystem::path& path);
std::filesystem::path pathFromText(std::wstring_view text);

} // namespace gripline
