#include "BkPngSkin.h"

#include <objidl.h>
#include <gdiplus.h>

#include "BkParse.h"
#include "BkPngPool.h"

namespace {

// "src": a resource id in decimal.
UINT ResourceIdOf(const std::string& value) {
    return static_cast<UINT>(ParseInt(value));
}

}  // namespace

CBkPngSkin::~CBkPngSkin() {
    SetImage(nullptr, false);
}

int CBkPngSkin::Load(const TiXmlElement* xml) {
    const int result = CBkSkinBase::Load(xml);
    if (src_ != 0) {
        SetImage(GetPng(src_), false);
    }
    return result;
}

BK_DEFINE_ATTRIBUTES(CBkPngSkin, CBkObject,
                     {"src", A::Field<ResourceIdOf, &CBkPngSkin::src_>, kAttrTaken},
                     {"subwidth", A::Field<ParseInt, &CBkPngSkin::subWidth_>, kAttrTaken})

bool CBkPngSkin::LoadFromFile(const std::wstring& path) {
    BkPngPool::Instance();  // keeps GDI+ started
    auto* image = new Gdiplus::Image(path.c_str());
    if (image->GetLastStatus() != Gdiplus::Ok) {
        delete image;
        image = nullptr;
    }
    SetImage(image, image != nullptr);
    return image != nullptr;
}

void CBkPngSkin::SetImage(Gdiplus::Image* image, bool owned) {
    if (ownsImage_ && image_ != image) {
        delete image_;
    }
    image_ = image;
    ownsImage_ = owned;
}

SIZE CBkPngSkin::ImageSize() const {
    if (!image_) {
        return SIZE{0, 0};
    }
    return SIZE{static_cast<LONG>(image_->GetWidth()), static_cast<LONG>(image_->GetHeight())};
}

SIZE CBkPngSkin::GetSkinSize() const {
    const SIZE image = ImageSize();
    return SIZE{subWidth_ > 0 ? subWidth_ : image.cx, image.cy};
}

void CBkPngSkin::DrawCell(Gdiplus::Graphics& graphics, float x, float y, float width, float height,
                          int index, bool stretch) {
    BkRect source;
    if (!image_ || !CellSource(ImageSize(), subWidth_, subWidth_ > 0 ? index : -1, &source)) {
        return;
    }
    const Gdiplus::RectF target(x, y, stretch ? width : static_cast<float>(source.width),
                                stretch ? height : static_cast<float>(source.height));
    graphics.DrawImage(image_, target, static_cast<float>(source.x), static_cast<float>(source.y),
                       static_cast<float>(source.width), static_cast<float>(source.height),
                       Gdiplus::UnitPixel);
}

void CBkPngSkin::DrawOnGraphics(Gdiplus::Graphics* graphics, float x, float y, float width,
                                float height, int state) {
    if (graphics) {
        DrawCell(*graphics, x, y, width, height, state, false);
    }
}

void CBkPngSkin::DrawCell(HDC dc, const RECT& rect, int index, bool stretch) {
    if (!image_) {
        return;
    }
    Gdiplus::Graphics graphics(dc);
    DrawCell(graphics, static_cast<float>(rect.left), static_cast<float>(rect.top),
             static_cast<float>(rect.right - rect.left), static_cast<float>(rect.bottom - rect.top),
             index, stretch);
}

void CBkPngSkin::Draw(HDC dc, const RECT& rect, int state) {
    DrawCell(dc, rect, state, false);
}

void CBkPngSkin::StretchDrawOnGraphics(Gdiplus::Graphics* graphics, float x, float y, float width,
                                       float height, int state) {
    if (graphics) {
        DrawCell(*graphics, x, y, width, height, state, true);
    }
}

void CBkPngSkin::StretchDraw(HDC dc, const RECT& rect, int state) {
    DrawCell(dc, rect, state, true);
}
