#include "analyzer/analyzer_window_win32.h"

#include "analyzer/advice_box_rules.h"
#include "analyzer/advice_hand_off.h"
#include "analyzer/analyzer_controls.h"
#include "analyzer/analyzer_identity.h"
#include "common/check_box_look_win32.h"
#include "common/unicode_text.h"
#include "common/window_dpi_win32.h"
#include "recording/recording_file.h"
#include "settings/advice_file.h"
#include "settings/profile_store_win32.h"

#include <commctrl.h>
#include <commdlg.h>
#include <dwmapi.h>
#include <shellapi.h>

#include <utility>
#include <vector>

namespace gripline {

namespace {

constexpr COLORREF kWindowBackground = RGB(13, 15, 18);
constexpr COLORREF kPanelBackground = RGB(24, 28, 34);
constexpr COLORREF kPanelText = RGB(232, 238, 246);
// Not in every SDK's headers: the attribute that gives a dark title bar.
constexpr DWORD kImmersiveDarkMode = 20;
constexpr DWORD kPathCapacity = 260;
// The temporary advice file's prefix: Gripline Analyzer advice.
constexpr const wchar_t* kTempPrefix = L"gav";

// Heights at 96 DPI, scaled by the caller.
HFONT makeFont(int height, int weight) {
    return CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, L"Segoe UI");
}

PixelRect pixels(const ControlPlace& p) {
    return placeAt(p.X, p.Y, p.Width, p.Height);
}

// The advice boxes are drawn by the window (the system's check box draws a
// disabled caption embossed, a light shadow under grey text, which reads as
// a smudge on the dark background). An owner-drawn button keeps no check
// state: the box keeps it in its user data and answers BM_GETCHECK and
// BM_SETCHECK itself, so everything that reads or sets a box stays as it is.
LRESULT CALLBACK adviceBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                               DWORD_PTR) {
    switch (message) {
    case BM_GETCHECK:
        return GetWindowLongPtrW(box, GWLP_USERDATA) ? BST_CHECKED : BST_UNCHECKED;
    case BM_SETCHECK:
        SetWindowLongPtrW(box, GWLP_USERDATA, wParam == BST_CHECKED ? 1 : 0);
        InvalidateRect(box, nullptr, FALSE);
        return 0;
    default:
        return DefSubclassProc(box, message, wParam, lParam);
    }
}

bool isAdviceBox(int id) {
    return id >= kFirstAdviceBoxId && id <= kLastAdviceBoxId;
}

bool fileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace

bool AnalyzerWindow::create(int showCommand) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance_;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    // Gripline's icon (resource 101); LoadIconW's icon is shared, never destroyed.
    wc.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(101));
    windowBrush_.reset(CreateSolidBrush(kWindowBackground));
    wc.hbrBackground = windowBrush_.get();
    wc.lpszClassName = kAnalyzerWindowClass;
    if (!RegisterClassExW(&wc))
        return false;
    const std::wstring title = analyzerWindowTitle();
    // WM_NCCREATE receives `this` and keeps it in the window's user data.
    window_ = CreateWindowExW(0, kAnalyzerWindowClass, title.c_str(), WS_OVERLAPPEDWINDOW,
                              CW_USEDEFAULT, CW_USEDEFAULT, kWindowWidth, kWindowHeight, nullptr,
                              nullptr, instance_, this);
    if (!window_)
        return false;
    // Made at its 96-DPI size; on a screen of another DPI it grows to match
    // (the controls were placed for that DPI at WM_CREATE).
    if (dpi_ != kLayoutDpi) {
        const SIZE size = scaledWindowSize(kWindowWidth, kWindowHeight, dpi_);
        SetWindowPos(window_, nullptr, 0, 0, size.cx, size.cy,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ShowWindow(window_, showCommand);
    UpdateWindow(window_);
    return true;
}

LRESULT CALLBACK AnalyzerWindow::windowProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<AnalyzerWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self)
        return DefWindowProcW(window, message, wParam, lParam);
    return self->handleMessage(window, message, wParam, lParam);
}

LRESULT AnalyzerWindow::handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        window_ = window;
        onCreate();
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_SIZE:
        onSize(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_COMMAND:
        return onCommand(window, message, wParam, lParam);
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
        return onControlColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_DPICHANGED:
        onDpiChanged(wParam, lParam);
        return 0;
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (!item || !isAdviceBox(static_cast<int>(item->CtlID)))
            return DefWindowProcW(window, message, wParam, lParam);
        onDrawBox(*item);
        return TRUE;
    }
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

// `p` is the 96-DPI place; the control goes to it scaled to the window's DPI.
HWND AnalyzerWindow::addControl(const wchar_t* cls, const wchar_t* text, DWORD style, int id,
                                const ControlPlace& p, HFONT font, DWORD exStyle) {
    return createScaledChild(window_, cls, text, style, exStyle, id, pixels(p), dpi_, font);
}

void AnalyzerWindow::onCreate() {
    BOOL dark = TRUE;
    DwmSetWindowAttribute(window_, kImmersiveDarkMode, &dark, sizeof(dark));
    dpi_ = windowDpi(window_);
    makeFonts();
    darkBrush_.reset(CreateSolidBrush(kPanelBackground));
    HFONT body = bodyFont_.get();
    title_ = addControl(L"STATIC", kAnalyzerName, 0, 0, kTitlePlace, titleFont_.get());
    status_ = addControl(L"STATIC", kStatusStartText, 0, 0, kStatusPlace, body);
    openButton_ = addControl(L"BUTTON", L"Open recording", BS_PUSHBUTTON | WS_TABSTOP,
                             kOpenButtonId, kOpenButtonPlace, body);
    adviceButton_ = addControl(L"BUTTON", L"Use advise", BS_PUSHBUTTON | WS_TABSTOP,
                               kAdviceButtonId, kAdviceButtonPlace, body);
    applyLabel_ = addControl(L"STATIC", L"Apply:", 0, 0, kApplyLabelPlace, body);
    for (size_t i = 0; i < kAdviceItemCount; ++i) {
        boxes_[i] =
            addControl(L"BUTTON", kAdviceBoxes[i].Text, BS_OWNERDRAW | WS_TABSTOP,
                       kFirstAdviceBoxId + static_cast<int>(i), kAdviceBoxes[i].Place, body);
        SetWindowSubclass(boxes_[i], adviceBoxProc, 1, 0);
    }
    report_ = addControl(L"EDIT", L"", ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL, 0,
                         kReportPlace, body, WS_EX_CLIENTEDGE);
    applyBoxRules();
}

void AnalyzerWindow::makeFonts() {
    bodyFont_.reset(makeFont(scaleToDpi(18, dpi_), FW_NORMAL));
    titleFont_.reset(makeFont(scaleToDpi(30, dpi_), FW_SEMIBOLD));
}

// The resize rules work in 96-DPI pixels: the client size is measured back
// into them and the places they give are scaled to the window's DPI.
void AnalyzerWindow::onSize(int width, int height) {
    if (!report_)
        return; // before the controls exist
    const ResizedPlaces p =
        resizedPlaces(unscaleFromDpi(width, dpi_), unscaleFromDpi(height, dpi_));
    placeScaled(openButton_, pixels(p.OpenButton), dpi_);
    placeScaled(adviceButton_, pixels(p.AdviceButton), dpi_);
    placeScaled(status_, pixels(p.Status), dpi_);
    placeScaled(report_, pixels(p.Report), dpi_);
    placeFixedControls();
}

void AnalyzerWindow::placeFixedControls() {
    placeScaled(applyLabel_, pixels(kApplyLabelPlace), dpi_);
    for (size_t i = 0; i < kAdviceItemCount; ++i)
        placeScaled(boxes_[i], pixels(kAdviceBoxes[i].Place), dpi_);
}

// New fonts for the new DPI; the frame goes to the suggested rectangle,
// whose WM_SIZE places the moving controls; the rest are placed here. The
// old fonts go once no control holds them.
void AnalyzerWindow::onDpiChanged(WPARAM wParam, LPARAM lParam) {
    dpi_ = usableDpi(LOWORD(wParam));
    GdiObject<HFONT> oldBody = std::move(bodyFont_), oldTitle = std::move(titleFont_);
    makeFonts();
    for (HWND child = GetWindow(window_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const HFONT font = child == title_ ? titleFont_.get() : bodyFont_.get();
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    placeScaled(title_, pixels(kTitlePlace), dpi_);
    moveToSuggested(window_, lParam);
    RECT client{};
    GetClientRect(window_, &client);
    onSize(client.right, client.bottom);
}

LRESULT AnalyzerWindow::onCommand(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const int id = LOWORD(wParam);
    if (id == kOpenButtonId) {
        onOpenButton();
        return 0;
    }
    if (id == kAdviceButtonId) {
        onUseAdvice();
        return 0;
    }
    if (isAdviceBox(id)) {
        // A click (a quick second one arrives as a double-click) toggles the
        // box, as an automatic check box would have.
        const UINT code = HIWORD(wParam);
        if (code != BN_CLICKED && code != BN_DOUBLECLICKED)
            return 0;
        HWND box = reinterpret_cast<HWND>(lParam);
        const bool ticked = SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
        SendMessageW(box, BM_SETCHECK, ticked ? BST_UNCHECKED : BST_CHECKED, 0);
        EnableWindow(adviceButton_,
                     adviceCanBeUsed(loaded_, result_.Advice.HasCoefficientAdvice, tickedBoxes()));
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// Labels, boxes and the read-only report pane all ask through the static
// colour request. The report pane is a dark panel of its own; the labels
// and the boxes' captions sit on the window's background and paint with it,
// so none of them shows a lighter rectangle.
LRESULT AnalyzerWindow::onControlColour(HDC dc, HWND control) {
    SetTextColor(dc, kPanelText);
    if (control == report_) {
        SetBkColor(dc, kPanelBackground);
        return reinterpret_cast<LRESULT>(darkBrush_.get());
    }
    SetBkColor(dc, kWindowBackground);
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(windowBrush_.get());
}

void AnalyzerWindow::onDrawBox(const DRAWITEMSTRUCT& item) {
    wchar_t caption[64] = {};
    GetWindowTextW(item.hwndItem, caption, static_cast<int>(std::size(caption)));
    CheckBoxLook look;
    look.checked = SendMessageW(item.hwndItem, BM_GETCHECK, 0, 0) == BST_CHECKED;
    look.edgeLit = (item.itemState & ODS_FOCUS) != 0;
    look.enabled = (item.itemState & ODS_DISABLED) == 0;
    look.background = kWindowBackground;
    const auto font = reinterpret_cast<HFONT>(SendMessageW(item.hwndItem, WM_GETFONT, 0, 0));
    paintCheckBox(item.hDC, item.rcItem, look, font, caption, dpi_);
}

void AnalyzerWindow::onOpenButton() {
    wchar_t path[kPathCapacity] = {};
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = window_;
    dialog.lpstrFilter = L"Torvix telemetry recording (*.kvtrec)\0*.kvtrec\0All files (*.*)\0*.*\0";
    dialog.lpstrFile = path;
    dialog.nMaxFile = kPathCapacity;
    dialog.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    if (GetOpenFileNameW(&dialog))
        openRecording(path);
}

// Reading and analysing run right here on the window thread: the window
// does not repaint until the report is ready, which takes well under a
// second for an hour of driving.
void AnalyzerWindow::openRecording(const std::wstring& path) {
    RecordingHeader header{};
    std::vector<RecordingSample> samples;
    std::string error;
    if (loadRecording(std::filesystem::path(path), header, samples, error)) {
        SetWindowTextW(status_, path.c_str());
        result_ = analyzeRecording(header, samples);
        loaded_ = true;
        SetWindowTextW(report_, result_.Report.c_str());
    } else {
        // The old report stays readable, but its advice may no longer be sent.
        message(utf8ToWide(error).c_str(), MB_ICONERROR);
        loaded_ = false;
        result_ = AnalysisResult{};
    }
    applyBoxRules();
}

void AnalyzerWindow::applyBoxRules() {
    const AdviceBoxState state = adviceBoxesAfterLoad(loaded_, result_.Advice.HasCoefficientAdvice);
    for (size_t i = 0; i < kAdviceItemCount; ++i) {
        EnableWindow(boxes_[i], state.Enabled.Ticked[i]);
        SendMessageW(boxes_[i], BM_SETCHECK, state.Ticked.Ticked[i] ? BST_CHECKED : BST_UNCHECKED,
                     0);
    }
    EnableWindow(adviceButton_, state.AdviceButtonEnabled);
}

AdviceChoice AnalyzerWindow::tickedBoxes() const {
    AdviceChoice ticked;
    for (size_t i = 0; i < kAdviceItemCount; ++i)
        ticked.Ticked[i] = SendMessageW(boxes_[i], BM_GETCHECK, 0, 0) == BST_CHECKED;
    return ticked;
}

int AnalyzerWindow::message(const wchar_t* text, UINT icon) const {
    return MessageBoxW(window_, text, kMessageCaption, MB_OK | icon);
}

void AnalyzerWindow::onUseAdvice() {
    if (!adviceCanBeUsed(loaded_, result_.Advice.HasCoefficientAdvice, tickedBoxes())) {
        message(kNothingTickedText, MB_ICONINFORMATION);
        return;
    }
    const std::optional<std::wstring> program =
        locateForceFeedbackProgram(executablePath(), fileExists);
    if (!program) {
        message(kProgramNotFoundText, MB_ICONERROR);
        return;
    }
    if (sendAdvice(*program))
        message(kAdviceSentText, MB_ICONINFORMATION);
}

// Writes the ticked advice to a new temporary file and starts the program
// on it. The file is the program's to delete once started; on any failure
// here it is deleted at once.
bool AnalyzerWindow::sendAdvice(const std::wstring& program) {
    wchar_t folder[kPathCapacity] = {};
    wchar_t file[kPathCapacity] = {};
    const DWORD length = GetTempPathW(kPathCapacity, folder);
    if (length == 0 || length >= kPathCapacity || !GetTempFileNameW(folder, kTempPrefix, 0, file)) {
        message(kNoTemporaryFileText, MB_ICONERROR);
        return false;
    }
    Win32ProfileStore store;
    if (!writeAdvice(store, std::filesystem::path(file), result_.Advice, tickedBoxes())) {
        DeleteFileW(file);
        message(kAdviceNotWrittenText, MB_ICONERROR);
        return false;
    }
    const std::wstring parameters = applyAdviceParameters(file);
    const auto started = reinterpret_cast<INT_PTR>(ShellExecuteW(
        window_, L"open", program.c_str(), parameters.c_str(), nullptr, SW_SHOWNORMAL));
    if (started <= 32) {
        DeleteFileW(file);
        message(kLaunchFailedText, MB_ICONERROR);
        return false;
    }
    return true;
}

} // namespace gripline
