#include "ui/drawing_resources_win32.h"

#include <gdiplus.h>

#include <cstring>

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

DrawingResources::DrawingResources() = default;

DrawingResources::~DrawingResources() {
    release();
}

void DrawingResources::loadImages(HINSTANCE instance) {
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

void DrawingResources::createBrushesAndFonts() {
    background_.reset(CreateSolidBrush(kBackgroundColour));
    panel_.reset(CreateSolidBrush(kPanelColour));
    header_.reset(CreateSolidBrush(kHeaderColour));
    field_.reset(CreateSolidBrush(kFieldColour));
    accent_.reset(CreateSolidBrush(kAccentColour));
    normalFont_.reset(makeFont(L"Segoe UI", -15, FW_NORMAL));
    titleFont_.reset(makeFont(L"Segoe UI", -34, FW_BOLD));
    sectionFont_.reset(makeFont(L"Segoe UI", -13, FW_SEMIBOLD));
    logFont_.reset(makeFont(L"Cascadia Mono", -14, FW_NORMAL, FIXED_PITCH));
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
    normalFont_.reset();
    titleFont_.reset();
    sectionFont_.reset();
    logFont_.reset();
    background_.reset();
    panel_.reset();
    header_.reset();
    field_.reset();
    accent_.reset();
}

} // namespace gripline
