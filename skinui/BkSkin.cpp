#include "BkSkin.h"

#include "BkImageSkin.h"
#include "BkPngSkin.h"
#include "BkSkinButton.h"
#include "BkSkinFrames.h"
#include "BkSkinGradation.h"
#include "BkSkinShape.h"
#include "BkSkinTab.h"

std::unique_ptr<CBkSkinBase> CreateSkin(const std::string& tag) {
#define BK_MAKE_SKIN(tagName, Class)      \
    if (tag == tagName) {                 \
        return std::make_unique<Class>(); \
    }
    BK_SKIN_TAGS(BK_MAKE_SKIN)
#undef BK_MAKE_SKIN
    return nullptr;
}
