#include "BkSkinResources.h"

#include "BkColor.h"
#include "BkFontPool.h"
#include "BkSkinPool.h"
#include "BkString.h"
#include "BkStyle.h"

void LoadSkinResources() {
    BkString::Instance().Load(kStringTableId);
    BkColor::Instance().Load(kColorTableId);
    const std::wstring* face = GetString(0);
    SetDefaultFont(face ? *face : std::wstring(), -12);
    BkSkinPool::Instance().Load(kSkinTableId);
    BkStylePool::Instance().Load(kStyleTableId);
}
