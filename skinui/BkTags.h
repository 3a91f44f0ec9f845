#pragma once

// The XML tag of every class of the skin framework, in one table: the factories make elements
// and skins from it, and each class answers GetObjectClass() from it.

// Elements a layout may hold, by tag (case-sensitive).
#define BK_ELEMENT_TAGS(X)               \
    X("dlg", CBkDialog)                  \
    X("dlgfile", CBkDialogFile)          \
    X("text", CBkStatic)                 \
    X("button", CBkButton)               \
    X("img", CBkImageWnd)                \
    X("imgZoom", CBkImageZoom)           \
    X("progress", CBkProgress)           \
    X("imgbtn", CBkImageBtnWnd)          \
    X("realwnd", CBkRealWnd)             \
    X("hr", CBkLine)                     \
    X("check", CBkCheckBox)              \
    X("icon", CBkIconWnd)                \
    X("tabctrl", CBkTabCtrl)             \
    X("radio", CBkRadioBox)              \
    X("link", CBkLink)                   \
    X("memimage", CBkMemoryImage)        \
    X("imglisth", CBkImageListHWnd)      \
    X("iconfrommodule", CBkDrawFileIcon) \
    X("imgHover", CBkImageHover)         \
    X("slider", CBkSlider)               \
    X("edit", CBkEdit)

// Skins a skin table may hold, by tag.
#define BK_SKIN_TAGS(X)                  \
    X("imglst", CBkImageSkin)            \
    X("imgframe", CBkSkinImgFrame)       \
    X("imgframeEx", CBkSkinImgFrameEx)   \
    X("button", CBkSkinButton)           \
    X("tabButton", CBkSkinTab)           \
    X("shape", CBkSkinShape)             \
    X("imghorzex", CBkSkinImgHorzExtend) \
    X("gradation", CBkSkinGradation)     \
    X("png", CBkPngSkin)

// Tags of classes made only by their owners: a tab control's pages and the style table's styles.
#define BK_OWNED_TAGS(X) \
    X("tab", CBkTab)     \
    X("style", BkStyle)

template <class T>
struct BkTag;

#define BK_DECLARE_TAG(tagName, Class)                \
    class Class;                                      \
    template <>                                       \
    struct BkTag<Class> {                             \
        static constexpr const char name[] = tagName; \
    };
BK_ELEMENT_TAGS(BK_DECLARE_TAG)
BK_SKIN_TAGS(BK_DECLARE_TAG)
BK_OWNED_TAGS(BK_DECLARE_TAG)
#undef BK_DECLARE_TAG

// GetObjectClass() of a class of the table.
#define BK_OBJECT_CLASS(Class)                    \
    const char* GetObjectClass() const override { \
        return BkTag<Class>::name;                \
    }
