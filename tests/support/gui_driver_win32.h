#pragma once
// Drives the real Gripline window from a test process under Wine + Xvfb:
// starts the program, finds its windows and controls by class and id, reads
// their places and texts, clicks, sends mouse and keyboard messages to the
// custom controls, and keeps screenshots as PNG files.
#include "common/scoped_handle_win32.h"

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace gripline::test {

class ProgramProcess {
  public:
    ProgramProcess() = default;
    ~ProgramProcess() { kill(); }
    ProgramProcess(const ProgramProcess&) = delete;
    ProgramProcess& operator=(const ProgramProcess&) = delete;

    // Runs `exe` with `arguments` (already quoted as needed) in its folder.
    bool start(const std::wstring& exe, const std::wstring& arguments = L"");
    // Its exit code, or -1 when it did not end within `limit`.
    int waitExit(std::chrono::milliseconds limit);
    void kill();
    DWORD id() const { return id_; }

  private:
    ScopedHandle process_;
    DWORD id_ = 0;
};

// The top-level window of `cls` belonging to process `pid`, waiting for it
// up to `limit`; null when none appeared.
HWND waitForTopWindow(const wchar_t* cls, DWORD pid, std::chrono::milliseconds limit);
// A top-level window of `cls` owned by `owner`, or null.
HWND findOwnedWindow(const wchar_t* cls, HWND owner);

// A child's rectangle in its parent's client coordinates.
RECT placeInParent(HWND child);
std::wstring windowText(HWND window);
// How many whole lines of `text` (each ended by CR LF) are `line`.
size_t countLines(const std::wstring& text, const std::wstring& line);
std::wstring className(HWND window);
// The child of `parent` whose rectangle is exactly `place`, or null.
HWND childAt(HWND parent, const RECT& place);

// `control`'s text once it reads `expected`, polled up to `limit`; what it
// read last when it never did, for the failure message:
// EXPECT_EQ(textOnceItIs(label, L"20"), L"20").
std::wstring textOnceItIs(HWND control, const std::wstring& expected,
                          std::chrono::milliseconds limit = std::chrono::seconds(30));

// Posts a mouse message with client coordinates (x may be negative or past
// the edge, as while the mouse is captured), as the mouse makes it. Its
// effect is not there on return: wait for it (textOnceItIs, a log line).
void mouse(HWND window, UINT message, int x, int y);
// Posts a key press and release; as with mouse(), wait for the effect.
void key(HWND window, UINT virtualKey);
// A button click as the user makes it (BM_CLICK), handled before return.
void click(HWND button);

// The file-name field of a common file dialog: an edit with the id of cmb13
// (inside the explorer-style dialog's combo box) or of edt1 (the older one).
HWND fileNameEdit(HWND dialog);
// Answers the save dialog that `owner` has opened (or opens within
// `limit`): waits until it proposes a name (returned in `proposed`; a text
// set before that would be overwritten), types `path` and presses Save.
// False when no dialog came or it stayed open.
bool answerSaveDialog(HWND owner, const std::wstring& path, std::wstring& proposed,
                      std::chrono::milliseconds limit);

// The screen inside `area` (screen coordinates) as a PNG file, taken once
// the picture has stopped changing.
bool screenshot(const RECT& area, const std::wstring& pngPath);
// The screen inside `area` as a PNG file, taken the first time the pixel at
// `at` (screen coordinates, inside `area`) shows what `shows` wants; false
// when it did not within `limit` (the file then holds the last picture).
bool screenshotWhen(const RECT& area, POINT at, const std::function<bool(COLORREF)>& shows,
                    const std::wstring& pngPath, std::chrono::milliseconds limit);

} // namespace gripline::test
