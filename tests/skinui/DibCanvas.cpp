#include "DibCanvas.h"

#include <objidl.h>
#include <gdiplus.h>

#include <vector>

namespace {

bool FindEncoder(const wchar_t* mimeType, CLSID* clsid) {
    UINT count = 0;
    UINT size = 0;
    if (Gdiplus::GetImageEncodersSize(&count, &size) != Gdiplus::Ok || size == 0) {
        return false;
    }
    std::vector<BYTE> buffer(size);
    auto* encoders = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    if (Gdiplus::GetImageEncoders(count, size, encoders) != Gdiplus::Ok) {
        return false;
    }
    for (UINT i = 0; i < count; ++i) {
        if (wcscmp(encoders[i].MimeType, mimeType) == 0) {
            *clsid = encoders[i].Clsid;
            return true;
        }
    }
    return false;
}

}  // namespace

DibBitmap::DibBitmap(int width, int height) : width_(width), height_(height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bits_ = static_cast<DWORD*>(bits);
}

DibBitmap::~DibBitmap() {
    if (bitmap_) {
        DeleteObject(bitmap_);
    }
}

DWORD DibBitmap::Argb(int x, int y) const {
    GdiFlush();
    return bits_[y * width_ + x];
}

DWORD DibBitmap::Pixel(int x, int y) const {
    return Argb(x, y) & 0x00FFFFFF;
}

void DibBitmap::SetArgb(int x, int y, DWORD argb) {
    GdiFlush();
    bits_[y * width_ + x] = argb;
}

void DibBitmap::SetPixel(int x, int y, DWORD rgb) {
    SetArgb(x, y, 0xFF000000u | rgb);
}

void DibBitmap::Fill(int left, int top, int right, int bottom, DWORD rgb) {
    GdiFlush();
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            bits_[y * width_ + x] = 0xFF000000u | rgb;
        }
    }
}

bool DibBitmap::SavePng(const std::wstring& path) const {
    GdiFlush();
    CLSID png;
    if (!FindEncoder(L"image/png", &png)) {
        return false;
    }
    Gdiplus::Bitmap image(width_, height_, width_ * 4, PixelFormat32bppRGB,
                          reinterpret_cast<BYTE*>(bits_));
    return image.Save(path.c_str(), &png, nullptr) == Gdiplus::Ok;
}

DibCanvas::DibCanvas(int width, int height, DWORD rgb) : bitmap_(width, height) {
    dc_ = CreateCompatibleDC(nullptr);
    previous_ = SelectObject(dc_, bitmap_.handle());
    bitmap_.Fill(rgb);
}

DibCanvas::~DibCanvas() {
    SelectObject(dc_, previous_);
    DeleteDC(dc_);
}

DWORD DibCanvas::Pixel(int x, int y) const {
    return bitmap_.Pixel(x, y);
}

void DibCanvas::Fill(DWORD rgb) {
    bitmap_.Fill(rgb);
}

void DibCanvas::Fill(int left, int top, int right, int bottom, DWORD rgb) {
    bitmap_.Fill(left, top, right, bottom, rgb);
}

bool DibCanvas::SavePng(const std::wstring& path) const {
    return bitmap_.SavePng(path);
}

bool DibCanvas::SamePixels(const DibCanvas& other, int fromX, int toX) const {
    GdiFlush();
    for (int y = 0; y < height(); ++y) {
        for (int x = fromX; x < toX && x < width(); ++x) {
            if (bitmap_.Pixel(x, y) != other.bitmap_.Pixel(x, y)) {
                return false;
            }
        }
    }
    return true;
}
