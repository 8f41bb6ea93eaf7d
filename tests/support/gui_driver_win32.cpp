#include "tests/support/gui_driver_win32.h"

#include "tests/support/png_file.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

namespace gripline::test {

bool ProgramProcess::start(const std::wstring& exe, const std::wstring& arguments) {
    std::wstring commandLine = L"\"" + exe + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    const std::wstring folder = exe.substr(0, exe.find_last_of(L"\\/"));
    STARTUPINFOW si{sizeof(si)};
    PROCESS_INFORMATION pi{};
    // A program copied into place a moment ago can be refused for a while
    // on a loaded machine (seen once under Wine, 84 ms after the copy): the
    // start is tried again for some seconds, and a final refusal says why.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                           folder.c_str(), &si, &pi)) {
        if (std::chrono::steady_clock::now() >= deadline) {
            std::fprintf(stderr, "cannot start %ls: error %lu\n", exe.c_str(), GetLastError());
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    CloseHandle(pi.hThread);
    process_.reset(pi.hProcess);
    id_ = pi.dwProcessId;
    return true;
}

int ProgramProcess::waitExit(std::chrono::milliseconds limit) {
    if (!process_)
        return -1;
    if (WaitForSingleObject(process_.get(), static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0)
        return -1;
    DWORD code = 0;
    GetExitCodeProcess(process_.get(), &code);
    process_.reset();
    return static_cast<int>(code);
}

void ProgramProcess::kill() {
    if (process_) {
        TerminateProcess(process_.get(), 99);
        WaitForSingleObject(process_.get(), 10000);
        process_.reset();
    }
}

namespace {

struct TopSearch {
    const wchar_t* cls;
    DWORD pid;
    HWND owner;
    HWND found;
};

BOOL CALLBACK matchTop(HWND window, LPARAM context) {
    auto* s = reinterpret_cast<TopSearch*>(context);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    const bool ownerMatches = !s->owner || GetWindow(window, GW_OWNER) == s->owner;
    if ((s->pid == 0 || pid == s->pid) && ownerMatches && className(window) == s->cls) {
        s->found = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

HWND waitForTopWindow(const wchar_t* cls, DWORD pid, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    do {
        TopSearch search{cls, pid, nullptr, nullptr};
        EnumWindows(matchTop, reinterpret_cast<LPARAM>(&search));
        if (search.found && IsWindowVisible(search.found))
            return search.found;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    } while (std::chrono::steady_clock::now() < deadline);
    return nullptr;
}

HWND findOwnedWindow(const wchar_t* cls, HWND owner) {
    TopSearch search{cls, 0, owner, nullptr};
    EnumWindows(matchTop, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

RECT placeInParent(HWND child) {
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// Not SMTO_ABORTIFHUNG: a window thread busy for 5 s on a loaded machine
// counts as hung, and the message would not be sent at all.
std::wstring windowText(HWND window) {
    DWORD_PTR length = 0;
    SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 30000, &length);
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                        SMTO_NORMAL, 30000, &copied);
    text.resize(copied);
    return text;
}

size_t countLines(const std::wstring& text, const std::wstring& line) {
    size_t n = 0;
    for (size_t at = 0; (at = text.find(line + L"\r\n", at)) != std::wstring::npos; ++at)
        ++n;
    return n;
}

std::wstring className(HWND window) {
    wchar_t name[128] = {};
    GetClassNameW(window, name, 128);
    return name;
}

HWND childAt(HWND parent, const RECT& place) {
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        const RECT r = placeInParent(c);
        if (EqualRect(&r, &place))
            return c;
    }
    return nullptr;
}

std::wstring textOnceItIs(HWND control, const std::wstring& expected,
                          std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::wstring text = windowText(control);
    while (text != expected && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        text = windowText(control);
    }
    return text;
}

// Posted, not sent: a thread handles the messages sent to it before those
// posted to it, so no message sent after these proves them handled.
void mouse(HWND window, UINT message, int x, int y) {
    const WPARAM buttons = message == WM_LBUTTONDOWN || message == WM_MOUSEMOVE ? MK_LBUTTON : 0;
    PostMessageW(window, message, buttons, MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)));
}

void key(HWND window, UINT virtualKey) {
    PostMessageW(window, WM_KEYDOWN, virtualKey, 1);
    PostMessageW(window, WM_KEYUP, virtualKey, 0xC0000001);
}

void click(HWND button) {
    SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_NORMAL, 60000, nullptr);
}

HWND fileNameEdit(HWND dialog) {
    HWND found = nullptr;
    EnumChildWindows(
        dialog,
        [](HWND child, LPARAM out) -> BOOL {
            const int id = GetDlgCtrlID(child);
            if (className(child) != L"Edit" || (id != 0x47C && id != 0x480))
                return TRUE;
            *reinterpret_cast<HWND*>(out) = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

bool answerSaveDialog(HWND owner, const std::wstring& path, std::wstring& proposed,
                      std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    auto before = [&] { return std::chrono::steady_clock::now() < deadline; };
    HWND dialog = nullptr, name = nullptr;
    while (before() && !(dialog = findOwnedWindow(L"#32770", owner)))
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    while (dialog && before()) {
        name = fileNameEdit(dialog);
        if (name && !windowText(name).empty())
            break;
        name = nullptr;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (!name)
        return false;
    proposed = windowText(name);
    SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    while (IsWindow(dialog) && before())
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return !IsWindow(dialog);
}

namespace {

// The screen inside `area` as RGB rows; empty when it cannot be copied.
std::vector<uint8_t> captureRgb(const RECT& area) {
    const int w = area.right - area.left, h = area.bottom - area.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB};
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, dib);
    const bool copied = dib && BitBlt(memory, 0, 0, w, h, screen, area.left, area.top, SRCCOPY);
    std::vector<uint8_t> rgb;
    if (copied) {
        GdiFlush();
        const auto* bgra = static_cast<const uint8_t*>(bits);
        rgb.reserve(static_cast<size_t>(w) * h * 3);
        for (size_t i = 0; i < static_cast<size_t>(w) * h; ++i)
            rgb.insert(rgb.end(), {bgra[i * 4 + 2], bgra[i * 4 + 1], bgra[i * 4]});
    }
    SelectObject(memory, previous);
    if (dib)
        DeleteObject(dib);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return rgb;
}

bool writePng(const std::vector<uint8_t>& rgb, int w, int h, const std::wstring& pngPath) {
    if (rgb.empty())
        return false;
    const std::vector<uint8_t> png =
        encodePng(rgb, static_cast<uint32_t>(w), static_cast<uint32_t>(h));
    std::ofstream out(std::filesystem::path(pngPath), std::ios::binary);
    out.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    return static_cast<bool>(out);
}

} // namespace

// A program in another process paints when its thread gets to it, and Wine
// shows the result on the display a little later: the picture is taken
// once two captures 250 ms apart agree (up to 10 s; a window that keeps
// changing is then taken as it last was), not after a fixed wait.
bool screenshot(const RECT& area, const std::wstring& pngPath) {
    const int w = area.right - area.left, h = area.bottom - area.top;
    if (w <= 0 || h <= 0)
        return false;
    std::vector<uint8_t> rgb = captureRgb(area);
    for (int i = 0; i < 40 && !rgb.empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        std::vector<uint8_t> again = captureRgb(area);
        const bool settled = again == rgb;
        rgb = std::move(again);
        if (settled)
            break;
    }
    return writePng(rgb, w, h, pngPath);
}

bool screenshotWhen(const RECT& area, POINT at, const std::function<bool(COLORREF)>& shows,
                    const std::wstring& pngPath, std::chrono::milliseconds limit) {
    const int w = area.right - area.left, h = area.bottom - area.top;
    if (w <= 0 || h <= 0 || at.x < area.left || at.y < area.top || at.x >= area.right ||
        at.y >= area.bottom)
        return false;
    const auto end = std::chrono::steady_clock::now() + limit;
    std::vector<uint8_t> rgb;
    do {
        rgb = captureRgb(area);
        const size_t i = (static_cast<size_t>(at.y - area.top) * w + (at.x - area.left)) * 3;
        if (rgb.size() > i + 2 && shows(RGB(rgb[i], rgb[i + 1], rgb[i + 2])))
            return writePng(rgb, w, h, pngPath);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    } while (std::chrono::steady_clock::now() < end);
    writePng(rgb, w, h, pngPath); // what was shown instead, to look at
    return false;
}

} // namespace gripline::test
