#include "BkSkin.h"

#include "BkImageSkin.h"
#include "BkPngSkin.h"
#include "BkSkinButton.h"
#include "BkSkinFrames.h"
#include "BkSkinGradation.h"
#include "BkSkinShape.h"
#include "BkSkinTab.h"

std::unique_ptr<CBkSkinBase> CreateSkin(const std::string& tag) {
    if (tag == "imglst") {
        return std::make_unique<CBkImageSkin>();
    }
    if (tag == "imgframe") {
        return std::make_unique<CBkSkinImgFrame>();
    }
    if (tag == "imgframeEx") {
        return std::make_unique<CBkSkinImgFrameEx>();
    }
    if (tag == "button") {
        return std::make_unique<CBkSkinButton>();
    }
    if (tag == "tabButton") {
        return std::make_unique<CBkSkinTab>();
    }
    if (tag == "shape") {
        return std::make_unique<CBkSkinShape>();
    }
    if (tag == "imghorzex") {
        return std::make_unique<CBkSkinImgHorzExtend>();
    }
    if (tag == "gradation") {
        return std::make_unique<CBkSkinGradation>();
    }
    if (tag == "png") {
        return std::make_unique<CBkPngSkin>();
    }
    return nullptr;
}
