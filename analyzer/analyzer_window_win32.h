#pragma once
// The Analyzer's only window: open a recording, read its report, tick the
// advice to take over and hand it to the force-feedback program. Created by
// the entry point; window thread only (the Analyzer has no other thread).
#include "analyzer/analysis_report.h"
#include "analyzer/analyzer_controls.h"
#include "common/dpi_scale.h"
#include "common/gdi_object_win32.h"
#include "settings/advice_choice.h"

#include <windows.h>

#include <array>
#include <string>

namespace gripline {

inline constexpr const wchar_t* kAnalyzerWindowClass = L"TorvixCommercialAnalyzerWindow";

class AnalyzerWindow {
  public:
    explicit AnalyzerWindow(HINSTANCE instance) : instance_(instance) {}
    AnalyzerWindow(const AnalyzerWindow&) = delete;
    AnalyzerWindow& operator=(const AnalyzerWindow&) = delete;

    // Registers the class and creates and shows the main window.
    bool create(int showCommand);
    // Loads the recording, as "Open recording" does after the dialog.
    void openRecording(const std::wstring& path);

  private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void onCreate();
    void onSize(int width, int height);
    void onDpiChanged(WPARAM wParam, LPARAM lParam);
    void makeFonts();
    void placeFixedControls();
    LRESULT onCommand(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT onControlColour(HDC dc, HWND control);
    void onDrawBox(const DRAWITEMSTRUCT& item);
    void onOpenButton();
    void onUseAdvice();
    bool sendAdvice(const std::wstring& program);

    HWND addControl(const wchar_t* cls, const wchar_t* text, DWORD style, int id,
                    const ControlPlace& place, HFONT font, DWORD exStyle = 0);
    void applyBoxRules();
    AdviceChoice tickedBoxes() const;
    int message(const wchar_t* text, UINT icon) const;

    HINSTANCE instance_;
    HWND window_ = nullptr;
    HWND status_ = nullptr, openButton_ = nullptr, adviceButton_ = nullptr;
    HWND title_ = nullptr, applyLabel_ = nullptr, report_ = nullptr;
    std::array<HWND, kAdviceItemCount> boxes_{};
    GdiObject<HFONT> bodyFont_, titleFont_;
    GdiObject<HBRUSH> windowBrush_; // the class's background; lives as long as the window
    GdiObject<HBRUSH> darkBrush_;   // behind the report
    int dpi_ = kLayoutDpi;          // the window's: from its screen, then from WM_DPICHANGED
    AnalysisResult result_;
    bool loaded_ = false; // result_ belongs to a recording read successfully
};

} // namespace gripline
