#include "BkImageListHWnd.h"

#include <tinyxml.h>

#include <sstream>

#include "BkImageWnd.h"
#include "BkLimits.h"
#include "BkParse.h"
#include "BkSkin.h"
#include "BkSkinPool.h"

int CBkImageListHWnd::Load(const TiXmlElement* xml) {
    CBkWindow::Load(xml);
    if (!xml) {
        return 1;
    }
    for (int i = 0; i < imageCount_; ++i) {
        skins_["skin" + std::to_string(i)] = nullptr;
        subImages_["sub" + std::to_string(i)] = -1;
    }
    // The lists are applied again so that an "imagecount" after them does not undo them.
    for (const TiXmlAttribute* a = xml->FirstAttribute(); a; a = a->Next()) {
        const std::string name = a->Name();
        if (lstrcmpiA(name.c_str(), "skinlist") == 0) {
            ApplyList(a->Value(), true);
        } else if (lstrcmpiA(name.c_str(), "sublist") == 0) {
            ApplyList(a->Value(), false);
        }
    }
    return 1;
}

BK_DEFINE_ATTRIBUTES(
    CBkImageListHWnd, CBkWindow, {"skin", A::Field<GetSkin, &CBkImageListHWnd::skin_>, kAttrTaken},
    {"sub", A::Field<ParseInt, &CBkImageListHWnd::subImage_>, kAttrRepaint},
    {"imagecount",
     A::Field<bkattr::ClampedInt<0, kBkMaxImageCount>, &CBkImageListHWnd::imageCount_>,
     kAttrRepaint},
    {"skinlist",
     [](CBkImageListHWnd& list, const std::string& value, bool) {
         list.ApplyList(value, true);
         return true;
     },
     kAttrRepaint},
    {"sublist",
     [](CBkImageListHWnd& list, const std::string& value, bool) {
         list.ApplyList(value, false);
         return true;
     },
     kAttrRepaint})

void CBkImageListHWnd::ApplyList(const std::string& list, bool skins) {
    std::istringstream items(list);
    std::string item;
    while (std::getline(items, item, ',')) {
        const size_t equals = item.find('=');
        if (equals == std::string::npos) {
            continue;
        }
        const std::string key = item.substr(0, equals);
        const std::string value = item.substr(equals + 1);
        if (skins) {
            skins_[key] = GetSkin(value);
        } else {
            subImages_[key] = ParseInt(value);
        }
    }
}

SIZE CBkImageListHWnd::CalcContentSize(bool available, SIZE size) {
    return WithSkinSize(CBkWindow::CalcContentSize(available, size), skin_);
}

void CBkImageListHWnd::OnPaint(HDC dc) {
    RECT cell = rect_;
    for (int i = 0; i < imageCount_; ++i) {
        const auto skin = skins_.find("skin" + std::to_string(i));
        if (skin == skins_.end() || !skin->second) {
            continue;
        }
        const auto sub = subImages_.find("sub" + std::to_string(i));
        skin->second->Draw(dc, cell, sub == subImages_.end() ? -1 : sub->second);
        OffsetRect(&cell, skin->second->GetSkinSize().cx, 0);
    }
}
