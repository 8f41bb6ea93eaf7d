#include "ui/button_bindings_file.h"

#include <cstdio>
#include <cwchar>

namespace gripline {

namespace {

constexpr size_t kTextCapacity = 256;
// The GUID's bytes as DirectInput keeps them: Data1..Data3 little-endian,
// then Data4 in order; the text puts the first three as numbers.
constexpr int kGroupOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
constexpr int kDashAfter[] = {3, 5, 7, 9}; // after these text positions' bytes

int hexValue(wchar_t c) {
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    return -1;
}

bool dashAfter(int position) {
    for (const int d : kDashAfter)
        if (d == position)
            return true;
    return false;
}

std::wstring key(const ButtonActionInfo& info, const wchar_t* field) {
    return std::wstring(info.key) + field;
}

} // namespace

std::wstring guidText(const DeviceGuid& guid) {
    std::wstring text = L"{";
    for (int i = 0; i < 16; ++i) {
        wchar_t pair[3];
        std::swprintf(pair, 3, L"%02X", guid.bytes[static_cast<size_t>(kGroupOrder[i])]);
        text += pair;
        if (dashAfter(i))
            text += L'-';
    }
    return text + L"}";
}

std::optional<DeviceGuid> parseGuid(const std::wstring& text) {
    if (text.size() != 38 || text.front() != L'{' || text.back() != L'}')
        return std::nullopt;
    DeviceGuid guid;
    size_t at = 1;
    for (int i = 0; i < 16; ++i) {
        const int high = hexValue(text[at]);
        const int low = hexValue(text[at + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        guid.bytes[static_cast<size_t>(kGroupOrder[i])] = static_cast<uint8_t>(high * 16 + low);
        at += 2;
        if (dashAfter(i) && text[at++] != L'-')
            return std::nullopt;
    }
    return guid;
}

ButtonBindings readButtonBindings(const SettingsFile& file) {
    ButtonBindings bindings;
    for (const ButtonActionInfo& info : buttonActions()) {
        const auto device = parseGuid(
            file.readString(kButtonBindingsSection, key(info, L"Device"), L"", kTextCapacity));
        const int32_t button = file.readInt(kButtonBindingsSection, key(info, L"Button"), -1);
        if (!device || button < 0 || button > 255)
            continue;
        BoundButton bound{*device,
                          file.readString(kButtonBindingsSection, key(info, L"Product"), L"",
                                          kTextCapacity),
                          button,
                          file.readString(kButtonBindingsSection, key(info, L"Name"), L"",
                                          kTextCapacity)};
        if (bound.buttonName.empty())
            bound.buttonName = L"Button " + std::to_wstring(button + 1);
        bindings.bind(info.action, bound);
    }
    return bindings;
}

bool writeButtonBindings(SettingsFile& file, const ButtonBindings& bindings) {
    bool ok = true;
    for (const ButtonActionInfo& info : buttonActions()) {
        const std::optional<BoundButton>& b = bindings.binding(info.action);
        if (!b) {
            for (const wchar_t* field : {L"Device", L"Product", L"Button", L"Name"})
                file.deleteKey(kButtonBindingsSection, key(info, field)); // absent is fine
            continue;
        }
        ok = file.writeString(kButtonBindingsSection, key(info, L"Device"), guidText(b->device)) && ok;
        ok = file.writeString(kButtonBindingsSection, key(info, L"Product"), b->product) && ok;
        ok = file.writeInt(kButtonBindingsSection, key(info, L"Button"), b->button) && ok;
        ok = file.writeString(kButtonBindingsSection, key(info, L"Name"), b->buttonName) && ok;
    }
    return ok;
}

} // namespace gripline
