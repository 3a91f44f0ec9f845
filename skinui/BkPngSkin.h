#pragma once

#include <windows.h>

#include <string>

#include "BkImageSkin.h"

namespace Gdiplus {
class Image;
}

// "png": a strip of PNG cells drawn with GDI+, at natural size or stretched. The image comes
// from the PNG pool ("src") or from a file, in which case the skin owns it.
class CBkPngSkin : public CBkSkinBase {
public:
    CBkPngSkin() = default;
    ~CBkPngSkin() override;
    CBkPngSkin(const CBkPngSkin&) = delete;
    CBkPngSkin& operator=(const CBkPngSkin&) = delete;

    BK_OBJECT_CLASS(CBkPngSkin)
    // Applies the attributes, then takes the image of "src" from the PNG pool.
    int Load(const TiXmlElement* xml) override;
    BK_ATTRIBUTES()
    void DrawOnGraphics(Gdiplus::Graphics* graphics, float x, float y, float width, float height,
                        int state) override;
    void Draw(HDC dc, const RECT& rect, int state) override;
    void StretchDrawOnGraphics(Gdiplus::Graphics* graphics, float x, float y, float width,
                               float height, int state) override;
    void StretchDraw(HDC dc, const RECT& rect, int state) override;
    SIZE GetSkinSize() const override;
    bool IgnoreState() const override { return subWidth_ == 0; }

    // Decodes an image file that the skin then owns; false (and no image) when it cannot.
    virtual bool LoadFromFile(const std::wstring& path);

private:
    void SetImage(Gdiplus::Image* image, bool owned);
    SIZE ImageSize() const;
    void DrawCell(Gdiplus::Graphics& graphics, float x, float y, float width, float height,
                  int index, bool stretch);
    void DrawCell(HDC dc, const RECT& rect, int index, bool stretch);

    Gdiplus::Image* image_ = nullptr;
    bool ownsImage_ = false;
    UINT src_ = 0;
    int subWidth_ = 0;
};
