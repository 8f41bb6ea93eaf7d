#pragma once
// The `gripline` command-line tool: runs the portable core on files. main()
// only turns the process arguments into paths and calls runGripline; each
// command lives in a file of its own and is listed in the command table.
#include <filesystem>
#include <iosfwd>
#include <span>
#include <string_view>

namespace gripline::cli {

// Arguments as paths so that file names keep every character on Windows
// (UTF-16 there, bytes natively).
using Args = std::span<const std::filesystem::path>;

// A command gets the arguments after its name. Results go to `out`; errors
// are one line on `err` starting with "gripline: ". Returns the exit code.
using CommandFn = int (*)(Args args, std::ostream& out, std::ostream& err);

struct Command {
    std::string_view name;
    std::string_view synopsis; // the usage line after "gripline "
    std::string_view help;     // indented lines describing it, each ending in '\n'
    CommandFn run;
};

std::span<const Command> commands();

// Dispatches on the first argument (the process arguments without the
// program name). No or an unknown command: usage on `err`, exit code 1.
int runGripline(Args args, std::ostream& out, std::ostream& err);

void printUsage(std::ostream& to);

// Whether an argument is exactly the ASCII text `text`.
bool argumentIs(const std::filesystem::path& argument, std::string_view text);

// Writes "gripline: " + message as one line on `err` and returns 1.
int fail(std::ostream& err, std::string_view message);

// The commands, one file each.
int analyzeCommand(Args args, std::ostream& out, std::ostream& err);
int inspectCommand(Args args, std::ostream& out, std::ostream& err);
int plotCommand(Args args, std::ostream& out, std::ostream& err);
int replayCommand(Args args, std::ostream& out, std::ostream& err);
int sessionCommand(Args args, std::ostream& out, std::ostream& err);
#ifdef _WIN32
int watchCommand(Args args, std::ostream& out, std::ostream& err);
#endif

} // namespace gripline::cli
