#pragma once

#include <windows.h>

#include <climits>
#include <string>

// A 32-bit top-down DIB section whose pixels can be read and written directly. Colours are
// 0x00RRGGBB; the alpha byte is kept separately with SetArgb.
class DibBitmap {
public:
    DibBitmap(int width, int height);
    ~DibBitmap();
    DibBitmap(const DibBitmap&) = delete;
    DibBitmap& operator=(const DibBitmap&) = delete;

    HBITMAP handle() const { return bitmap_; }
    int width() const { return width_; }
    int height() const { return height_; }

    DWORD Pixel(int x, int y) const;
    DWORD Argb(int x, int y) const;
    void SetPixel(int x, int y, DWORD rgb);
    void SetArgb(int x, int y, DWORD argb);
    // Fills [left, right) x [top, bottom) with an opaque colour.
    void Fill(int left, int top, int right, int bottom, DWORD rgb);
    void Fill(DWORD rgb) { Fill(0, 0, width_, height_, rgb); }
    // Writes the pixels as a PNG (GDI+ must be started); for looking at what a test drew.
    bool SavePng(const std::wstring& path) const;

private:
    int width_;
    int height_;
    DWORD* bits_ = nullptr;
    HBITMAP bitmap_ = nullptr;
};

// A DibBitmap selected into its own memory DC, to draw on and then read back.
class DibCanvas {
public:
    DibCanvas(int width, int height, DWORD rgb = 0xFFFFFF);
    ~DibCanvas();
    DibCanvas(const DibCanvas&) = delete;
    DibCanvas& operator=(const DibCanvas&) = delete;

    HDC dc() const { return dc_; }
    int width() const { return bitmap_.width(); }
    int height() const { return bitmap_.height(); }

    // Reads flush pending GDI drawing first.
    DWORD Pixel(int x, int y) const;
    void Fill(DWORD rgb);
    void Fill(int left, int top, int right, int bottom, DWORD rgb);
    bool SavePng(const std::wstring& path) const;
    // Whether `other` (of the same size) has the same pixels in columns [fromX, toX).
    bool SamePixels(const DibCanvas& other, int fromX = 0, int toX = INT_MAX) const;

private:
    DibBitmap bitmap_;
    HDC dc_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};
