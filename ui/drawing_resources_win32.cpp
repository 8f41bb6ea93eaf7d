#include "ui/drawing_resources_win32.h"

#include "common/dpi_scale.h"

#include <gdiplus.h>

#include <cstring>
#include <utility>

namespace gripline {

namespace {

HFONT makeFont(const wchar_t* face, int height, int weight, DWORD pitch = DEFAULT_PITCH) {
    return CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                       pitch | FF_DONTCARE, face);
}

// The resource's bytes in a movable global block wrapped in a stream that
// frees the block with itself. Null on any failure.
IStream* resourceStream(HINSTANCE instance, int id) {
    HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10)); // RT_RCDATA
    if (!found)
        return nullptr;
    const DWORD size = SizeofResource(instance, found);
    HGLOBAL loaded = LoadResource(instance, found);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes || size == 0)
        return nullptr;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!block)
        return nullptr;
    void* target = GlobalLock(block);
    if (!target) {
        GlobalFree(block);
        return nullptr;
    }
    std::memcpy(target, bytes, size);
    GlobalUnlock(block);
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(block, TRUE, &stream))) {
        GlobalFree(block);
        return nullptr;
    }
    return stream;
}

} // namespace

// The sizes are the 96-DPI ones, in pixels (negative: the character height
// without the line's leading), scaled to the window's DPI.
HFONT makeNormalFont(int dpi) {
    return makeFont(L"Segoe UI", -scaleToDpi(15, dpi), FW_NORMAL);
}

WindowFonts makeWindowFonts(int dpi) {
    WindowFonts fonts;
    fonts.normal.reset(makeNormalFont(dpi));
    fonts.title.reset(makeFont(L"Segoe UI", -scaleToDpi(34, dpi), FW_BOLD));
    fonts.section.reset(makeFont(L"Segoe UI", -scaleToDpi(13, dpi), FW_SEMIBOLD));
    fonts.log.reset(makeFont(L"Cascadia Mono", -scaleToDpi(14, dpi), FW_NORMAL, FIXED_PITCH));
    return fonts;
}

DrawingResources::DrawingResources() = default;

DrawingResources::~DrawingResources() {
    release();
}

void DrawingResources::loadImages(HINSTANCE instance) {
    instance_ = instance;
    icon_ = static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(kIconResource), IMAGE_ICON, 32, 32, 0));
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&gdiplusToken_, &input, nullptr) != Gdiplus::Ok) {
        gdiplusToken_ = 0;
        return;
    }
    loadLogo(instance);
}

void DrawingResources::loadLogo(HINSTANCE instance) {
    logoStream_ = resourceStream(instance, kLogoResource);
    if (!logoStream_)
        return;
    logo_.reset(Gdiplus::Bitmap::FromStream(logoStream_));
}

WindowFonts DrawingResources::replaceFonts(int dpi) {
    WindowFonts old = std::move(fonts_);
    fonts_ = makeWindowFonts(dpi);
    return old;
}

// Each icon loaded at the size it is shown at, so the system picks (or
// draws down from) the nearest image of the resource rather than
// stretching a small one: the resource holds 16 to 96 pixels.
WindowIcons DrawingResources::replaceIcons(int dpi) {
    const auto load = [this](int size) {
        return IconHandle(static_cast<HICON>(
            LoadImageW(instance_, MAKEINTRESOURCEW(kIconResource), IMAGE_ICON, size, size, 0)));
    };
    WindowIcons old = std::move(icons_);
    icons_.titleSmall = load(scaleToDpi(16, dpi));
    icons_.titleLarge = load(scaleToDpi(32, dpi));
    icons_.header = load(scaleToDpi(48, dpi));
    return old;
}

void DrawingResources::createBrushes() {
    background_.reset(CreateSolidBrush(kBackgroundColour));
    panel_.reset(CreateSolidBrush(kPanelColour));
    header_.reset(CreateSolidBrush(kHeaderColour));
    field_.reset(CreateSolidBrush(kFieldColour));
    accent_.reset(CreateSolidBrush(kAccentColour));
}

// Logo before its stream (GDI+ reads the stream while the bitmap lives),
// both before GDI+ shuts down.
void DrawingResources::release() {
    logo_.reset();
    if (logoStream_) {
        logoStream_->Release();
        logoStream_ = nullptr;
    }
    if (gdiplusToken_) {
        Gdiplus::GdiplusShutdown(gdiplusToken_);
        gdiplusToken_ = 0;
    }
    if (icon_) {
        DestroyIcon(icon_);
        icon_ = nullptr;
    }
    icons_ = WindowIcons{};
    fonts_ = WindowFonts{};
    background_.reset();
    panel_.reset();
    header_.reset();
    field_.reset();
    accent_.reset();
}

} // namespace gripline
