#include "settings/ini_document.h"

#include "settings/ascii_case.h"

#include <algorithm>
#include <utility>

namespace gripline {

bool isProfileSpace(wchar_t c) {
    return c == L' ' || (c >= L'\t' && c <= L'\r') || c == 0x1A;
}

std::wstring_view trimProfileSpace(std::wstring_view text) {
    while (!text.empty() && isProfileSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isProfileSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

namespace {

// "[name]" up to the last "]"; the name inside is kept as written.
bool parseHeader(std::wstring_view line, std::wstring& name) {
    if (line.front() != L'[')
        return false;
    const size_t close = line.rfind(L']');
    if (close == std::wstring_view::npos || close == 0)
        return false;
    name.assign(line.substr(1, close - 1));
    return true;
}

} // namespace

IniDocument IniDocument::parse(std::wstring_view text) {
    IniDocument doc;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find_first_of(L"\r\n", pos);
        if (end == std::wstring_view::npos)
            end = text.size();
        const std::wstring_view line = trimProfileSpace(text.substr(pos, end - pos));
        pos = end + 1;
        if (line.empty())
            continue;
        std::wstring name;
        if (parseHeader(line, name)) {
            doc.sections_.push_back({std::move(name), {}});
            continue;
        }
        Entry entry;
        const size_t eq = line.find(L'=');
        if (eq == std::wstring_view::npos) {
            entry.Name.assign(line);
            entry.HasValue = false;
        } else {
            entry.Name.assign(trimProfileSpace(line.substr(0, eq)));
            entry.Value.assign(trimProfileSpace(line.substr(eq + 1)));
        }
        doc.sections_.back().Entries.push_back(std::move(entry));
    }
    return doc;
}

std::wstring IniDocument::serialize() const {
    std::wstring out;
    for (const Section& section : sections_) {
        if (section.Name.empty() && section.Entries.empty())
            continue;
        if (!out.empty())
            out += L"\r\n";
        if (&section != &sections_.front())
            out += L"[" + section.Name + L"]\r\n";
        for (const Entry& entry : section.Entries) {
            out += entry.Name;
            if (entry.HasValue)
                out += L"=" + entry.Value;
            out += L"\r\n";
        }
    }
    return out;
}

const IniDocument::Section* IniDocument::findSection(std::wstring_view name) const {
    name = trimProfileSpace(name);
    for (const Section& section : sections_)
        if (&section != &sections_.front() && equalsIgnoreCase(section.Name, name))
            return &section;
    return nullptr;
}

IniDocument::Section* IniDocument::findSection(std::wstring_view name) {
    return const_cast<Section*>(std::as_const(*this).findSection(name));
}

const std::wstring* IniDocument::find(std::wstring_view section, std::wstring_view key) const {
    const Section* found = findSection(section);
    if (found == nullptr)
        return nullptr;
    key = trimProfileSpace(key);
    for (const Entry& entry : found->Entries)
        if (equalsIgnoreCase(entry.Name, key))
            return &entry.Value;
    return nullptr;
}

bool IniDocument::set(std::wstring_view section, std::wstring_view key, std::wstring_view value) {
    // Leading white space of a value is dropped on writing, as Windows does.
    while (!value.empty() && isProfileSpace(value.front()))
        value.remove_prefix(1);
    Section* target = findSection(section);
    if (target == nullptr) {
        sections_.push_back({std::wstring(trimProfileSpace(section)), {}});
        target = &sections_.back();
    }
    key = trimProfileSpace(key);
    for (Entry& entry : target->Entries) {
        if (!equalsIgnoreCase(entry.Name, key))
            continue;
        if (entry.HasValue && entry.Value == value)
            return false;
        entry.Value.assign(value);
        entry.HasValue = true;
        return true;
    }
    target->Entries.push_back({std::wstring(key), std::wstring(value), true});
    return true;
}

bool IniDocument::eraseKey(std::wstring_view section, std::wstring_view key) {
    Section* target = findSection(section);
    if (target == nullptr)
        return false;
    key = trimProfileSpace(key);
    const auto removed = std::erase_if(
        target->Entries, [&](const Entry& entry) { return equalsIgnoreCase(entry.Name, key); });
    return removed > 0;
}

bool IniDocument::eraseSection(std::wstring_view section) {
    // Every section of that name goes, as with the Windows functions.
    section = trimProfileSpace(section);
    bool removed = false;
    for (size_t i = sections_.size(); i-- > 1;) {
        if (equalsIgnoreCase(sections_[i].Name, section)) {
            sections_.erase(sections_.begin() + static_cast<std::ptrdiff_t>(i));
            removed = true;
        }
    }
    return removed;
}

} // namespace gripline
