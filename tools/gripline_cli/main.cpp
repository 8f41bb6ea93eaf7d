// Entry of the gripline tool. On Windows the arguments arrive as UTF-16
// (wmain, linked with -municode) so that any file name can be opened; the
// rest of the tool sees them as std::filesystem::path either way.
#include "tools/gripline_cli/gripline_cli.h"

#include <filesystem>
#include <iostream>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>

int wmain(int argc, wchar_t** argv) {
    // Scripts compare the output byte for byte with the native build's: no
    // "\n" to "\r\n" translation on stdout.
    _setmode(_fileno(stdout), _O_BINARY);
    const std::vector<std::filesystem::path> args(argv + 1, argv + argc);
    return gripline::cli::runGripline(args, std::cout, std::cerr);
}
#else
int main(int argc, char** argv) {
    const std::vector<std::filesystem::path> args(argv + 1, argv + argc);
    return gripline::cli::runGripline(args, std::cout, std::cerr);
}
#endif
