// A telemetry file (.ibt) as `gripline inspect`, `session` and `replay` read
// it: parse, every stored line decoded as the live reader decodes one, the
// session text and the identity in it.
#include "telemetry/ibt_file.h"
#include "telemetry/session_scanner.h"
#include "telemetry/telemetry_variables.h"
#include "tests/fuzz/fuzz_check.h"

#include <vector>

using namespace gripline;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    IbtFile file;
    std::string error;
    if (!file.parse(std::vector<uint8_t>(data, data + size), error)) {
        FUZZ_CHECK(!error.empty(), "a refused file says why");
        return 0;
    }
    const std::span<const uint8_t> image = file.image();
    const TelemetryVarIndices vars = resolveVariables(image);
    TelemetrySnapshot snapshot;
    for (int32_t i = 0; i < file.lineCount(); ++i) {
        const std::span<const uint8_t> line = file.line(i);
        FUZZ_CHECK(line.size() == static_cast<size_t>(file.lineLength()), "every line is whole");
        FUZZ_CHECK(line.data() >= image.data() && line.data() + line.size() <= image.data() + image.size(),
                   "every line lies inside the file");
        decodeLine(image, vars, line, i, snapshot);
        FUZZ_CHECK(snapshot.TorqueStCount >= 1 && snapshot.TorqueStCount <= kSubSamples,
                   "1..6 torque sub-samples");
    }
    const std::span<const uint8_t> text = file.sessionText();
    if (!text.empty())
        FUZZ_CHECK(text.data() >= image.data() && text.data() + text.size() <= image.data() + image.size(),
                   "the session text lies inside the file");
    SessionIdentity identity;
    (void)scanSessionInfo(text.data(), text.size(), identity);
    return 0;
}
