#pragma once
// Paths on the update host: the version query every request carries, and the
// file name a download is logged with.
#include <string>

namespace gripline {

// `path` + "?v=" + version, or "&v=" when the path already has a query; an
// empty version leaves the path as it is.
std::wstring appendVersionQuery(const std::wstring& path, const std::wstring& versionText);
// The text before the first "?" or "#", from after its last "/" or "\".
std::wstring fileNameFromUrlPath(const std::wstring& path);

} // namespace gripline
