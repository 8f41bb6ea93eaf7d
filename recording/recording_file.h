#pragma once
// Reading a recording back, as the analyzer and the command-line tool do.
#include "recording/recording_format.h"

#include <filesystem>
#include <string>
#include <vector>

namespace gripline {

// Loads a whole recording. On failure returns false with the message the
// analyzer shows, and leaves `header` and `samples` unspecified. A trailing
// partial sample (a recording cut while writing) is ignored; a version-1
// file reports its road texture as the impact texture too, which that
// layout did not have separately.
bool loadRecording(const std::filesystem::path& path, RecordingHeader& header,
                   std::vector<RecordingSample>& samples, std::string& errorText);

} // namespace gripline
