// pid_wheel: installs the Gripline PID wheel (a HID minidriver on a
// root-enumerated device) in the current Wine prefix, and takes it away and
// back as a USB wheel unplugged and plugged. One line of output; errors are
// one "pid_wheel: ..." line on stderr and exit code 1.
//
// Replacing the installed .sys needs the device removed and the prefix's
// wineserver stopped first (`pid_wheel remove`, `wineserver -k`, then
// install): winedevice.exe keeps the driver loaded, loads it again when the
// prefix starts while the device exists, and the tool, running inside
// Wine, cannot stop it. install says so when it finds another driver.
#include "common/unicode_text.h"
#include "tools/pid_wheel/root_device_win32.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <fstream>
#include <initializer_list>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

using namespace gripline;
using namespace gripline::pidwheel;

namespace {

constexpr wchar_t kUsage[] =
    L"usage: pid_wheel install --descriptor FILE --log FILE [--script FILE] [--product NAME]\n"
    L"                 [--manufacturer NAME] [--vid HEX] [--pid HEX]\n"
    L"       pid_wheel remove | unplug | plug | status\n";

int fail(const std::string& message) {
    std::fprintf(stderr, "pid_wheel: %s\n", message.c_str());
    return 1;
}

std::wstring folderOfThisProgram() {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p(path, n);
    return p.substr(0, p.find_last_of(L"\\/") + 1);
}

std::wstring fullPath(const std::wstring& path) {
    wchar_t full[MAX_PATH];
    const DWORD n = GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
    return n && n < MAX_PATH ? std::wstring(full, n) : path;
}

std::optional<uint32_t> parseHex16(const std::wstring& text) {
    std::wstring digits =
        text.rfind(L"0x", 0) == 0 || text.rfind(L"0X", 0) == 0 ? text.substr(2) : text;
    if (digits.empty() || digits.size() > 4 ||
        digits.find_first_not_of(L"0123456789abcdefABCDEF") != std::wstring::npos)
        return std::nullopt;
    return static_cast<uint32_t>(std::wcstoul(digits.c_str(), nullptr, 16));
}

bool endsWith(const std::wstring& text, const std::wstring& tail) {
    if (text.size() < tail.size())
        return false;
    for (size_t i = 0; i < tail.size(); ++i)
        if (std::towlower(text[text.size() - tail.size() + i]) != tail[i])
            return false;
    return true;
}

// The binary descriptor, kept where the driver reads it whatever happens to
// the file the user named.
bool storeDescriptor(const std::vector<uint8_t>& bytes, std::wstring& path, std::string& error) {
    wchar_t programData[MAX_PATH];
    const DWORD n = GetEnvironmentVariableW(L"ProgramData", programData, MAX_PATH);
    std::wstring folder =
        (n && n < MAX_PATH ? std::wstring(programData, n) : L"C:\\ProgramData") + L"\\Gripline";
    CreateDirectoryW(folder.c_str(), nullptr);
    path = folder + L"\\pid_wheel_descriptor.bin";
    std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) {
        error = "cannot write " + wideToUtf8(path);
        return false;
    }
    return true;
}

std::optional<std::string> fileContent(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    if (!in)
        return std::nullopt;
    return content.str();
}

// SetupAPI leaves the installed driver as it is while winedevice.exe has it
// loaded, and reports success: a rebuilt driver would silently not run.
bool installedDriverIsOurs(std::string& error) {
    wchar_t system[MAX_PATH];
    const UINT n = GetSystemDirectoryW(system, MAX_PATH);
    const auto installed =
        fileContent(std::wstring(system, n) + L"\\drivers\\gripline_pid_wheel.sys");
    const auto ours = fileContent(folderOfThisProgram() + L"gripline_pid_wheel.sys");
    if (installed && ours && *installed == *ours)
        return true;
    error = "the prefix still runs another gripline_pid_wheel.sys: run \"pid_wheel remove\", then "
            "\"wineserver -k\", then install again";
    return false;
}

int install(const std::vector<std::wstring>& args) {
    WheelSettings settings;
    std::wstring descriptorArg;
    for (size_t i = 1; i < args.size(); i += 2) {
        if (i + 1 >= args.size())
            return fail("missing value after " + wideToUtf8(args[i]));
        const std::wstring& name = args[i];
        const std::wstring& value = args[i + 1];
        if (name == L"--descriptor")
            descriptorArg = value;
        else if (name == L"--log")
            settings.logFile = fullPath(value);
        else if (name == L"--script")
            settings.scriptFile = fullPath(value);
        else if (name == L"--product")
            settings.product = value;
        else if (name == L"--manufacturer")
            settings.manufacturer = value;
        else if (name == L"--vid" || name == L"--pid") {
            const auto id = parseHex16(value);
            if (!id)
                return fail("not a 16-bit hexadecimal number: " + wideToUtf8(value));
            (name == L"--vid" ? settings.vendorId : settings.productId) = *id;
        } else
            return fail("unknown option " + wideToUtf8(name));
    }
    if (descriptorArg.empty() || settings.logFile.empty())
        return fail("install needs --descriptor FILE and --log FILE");
    for (const std::wstring* name : {&settings.product, &settings.manufacturer})
        if (name->empty() || name->size() > kDriverMaxStringChars)
            return fail("a product or manufacturer name has 1 to " +
                        std::to_string(kDriverMaxStringChars) + " characters");

    const auto content = fileContent(descriptorArg);
    if (!content)
        return fail("cannot read " + wideToUtf8(descriptorArg));
    std::string error;
    const auto bytes = descriptorBytesOf(*content, endsWith(descriptorArg, L".bin"), error);
    if (!bytes)
        return fail(wideToUtf8(descriptorArg) + ": " + error);
    const auto model = modelFor(*bytes, error);
    if (!model)
        return fail(wideToUtf8(descriptorArg) + ": " + error);
    settings.model = *model;
    if (!storeDescriptor(*bytes, settings.descriptorFile, error))
        return fail(error);

    std::string done;
    if (!installWheel(settings, folderOfThisProgram() + L"gripline_pid_wheel.inf", done, error) ||
        !installedDriverIsOurs(error))
        return fail(error);
    std::printf("%s the PID wheel \"%s\" (VID %04X, PID %04X), log %s\n", done.c_str(),
                wideToUtf8(settings.product).c_str(), settings.vendorId, settings.productId,
                wideToUtf8(settings.logFile).c_str());
    return 0;
}

int simpleCommand(const std::wstring& command) {
    std::string error;
    if (command == L"status") {
        const WheelStatus s = wheelStatus();
        std::printf("%s\n", !s.installed ? "not installed"
                            : !s.plugged ? "installed, unplugged"
                            : s.started  ? "installed, started"
                                         : "installed, not started");
        return 0;
    }
    bool ok = command == L"remove"   ? removeWheel(error)
              : command == L"unplug" ? unplugWheel(error)
                                     : plugWheel(error);
    if (!ok)
        return fail(error);
    std::printf("%s\n", command == L"remove"   ? "removed the PID wheel"
                        : command == L"unplug" ? "unplugged the PID wheel"
                                               : "plugged the PID wheel in");
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::wstring> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::fwprintf(stderr, L"%ls", kUsage);
        return 1;
    }
    if (args[0] == L"install")
        return install(args);
    if (args.size() == 1 && (args[0] == L"remove" || args[0] == L"unplug" || args[0] == L"plug" ||
                             args[0] == L"status"))
        return simpleCommand(args[0]);
    return fail("unknown command " + wideToUtf8(args[0]) +
                " (install, remove, unplug, plug, status)");
}
