#pragma once

#include <map>
#include <string>

#include "BkWindow.h"

class CBkSkinBase;

// "img": a skin drawn over the rect with the sub-image index as its state; a two-item "pos"
// makes the element exactly as large as the skin's image.
class CBkImageWnd : public CBkWindow {
public:
    const char* GetObjectClass() const override { return "img"; }
    HRESULT SetAttribute(const std::string& name, const std::string& value, bool loading) override;

    CBkSkinBase* GetSkinObject() const { return skin_; }
    int GetSubImage() const { return subImage_; }

protected:
    SIZE CalcContentSize(bool available, SIZE size) override;
    void OnPaint(HDC dc) override;
    // The index the skin paints with.
    virtual int PaintIndex() const { return subImage_; }

    int subImage_ = -1;
    CBkSkinBase* skin_ = nullptr;
};

// "imgbtn": an image whose cell follows the state: 3 disabled, 2 pushed, 1 hovered, else 0.
class CBkImageBtnWnd : public CBkImageWnd {
public:
    const char* GetObjectClass() const override { return "imgbtn"; }
    bool RepaintsOnStateChange() override { return true; }

protected:
    int PaintIndex() const override;
};

// "imgHover": cell 1 while hovered, else 0.
class CBkImageHover : public CBkImageWnd {
public:
    const char* GetObjectClass() const override { return "imgHover"; }
    bool RepaintsOnStateChange() override { return true; }

protected:
    int PaintIndex() const override { return (state_ & StateHover) ? 1 : 0; }
};

// "imgZoom": the image stretched over the rect; sized like any element.
class CBkImageZoom : public CBkImageWnd {
public:
    const char* GetObjectClass() const override { return "imgZoom"; }

protected:
    SIZE CalcContentSize(bool available, SIZE size) override;
    void OnPaint(HDC dc) override;
};

// "imglisth": a row of images, "imagecount" of them, each with its own skin ("skin%d") and
// sub-image ("sub%d") taken from "skinlist" and "sublist" ("skin0=a,skin1=b").
class CBkImageListHWnd : public CBkWindow {
public:
    const char* GetObjectClass() const override { return "imglisth"; }
    int Load(const TiXmlElement* xml) override;
    HRESULT SetAttribute(const std::string& name, const std::string& value, bool loading) override;

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
