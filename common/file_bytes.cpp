#include "common/file_bytes.h"

#include <fstream>

namespace gripline {

bool readFileBytes(const std::filesystem::path& path, std::vector<uint8_t>& bytes,
                   std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path.string();
        return false;
    }
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0) {
        error = "cannot read " + path.string();
        return false;
    }
    in.seekg(0, std::ios::beg);
    bytes.resize(static_cast<size_t>(size));
    if (size > 0 && !in.read(reinterpret_cast<char*>(bytes.data()), size)) {
        error = "cannot read " + path.string();
        return false;
    }
    return true;
}

} // namespace gripline
