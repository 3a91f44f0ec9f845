#pragma once

#include <map>
#include <string>

#include "BkWindow.h"

class CBkSkinBase;

// "imglisth": a row of images, "imagecount" of them, each with its own skin ("skin%d") and
// sub-image ("sub%d") taken from "skinlist" and "sublist" ("skin0=a,skin1=b").
class CBkImageListHWnd : public CBkWindow {
public:
    BK_OBJECT_CLASS(CBkImageListHWnd)
    int Load(const TiXmlElement* xml) override;
    BK_ATTRIBUTES()

protected:
    SIZE CalcContentSize(bool available, SIZE size) override;
    void OnPaint(HDC dc) override;

private:
    void ApplyList(const std::string& list, bool skins);

    int subImage_ = 0;
    CBkSkinBase* skin_ = nullptr;
    int imageCount_ = 0;
    std::map<std::string, CBkSkinBase*> skins_;
    std::map<std::string, int> subImages_;
};
