#pragma once

#include <string>

#include "BkWindow.h"

// "check": a themed check box glyph followed by the text; each left-button release over it
// toggles StateChecked. Every box starts unchecked whatever its "check" attribute says.
class CBkCheckBox : public CBkWindow {
public:
    ~CBkCheckBox() override;
    BK_OBJECT_CLASS(CBkCheckBox)
    BK_ATTRIBUTES()
    bool RepaintsOnStateChange() override { return true; }

    // A release of the left button over the box is a click.
    BK_BEGIN_MSG_MAP(CBkCheckBox)
    BK_MSG_WM_LBUTTONUP(OnLButtonUp)
    BK_CHAIN_MSG_MAP(CBkWindow)
    BK_END_MSG_MAP()

protected:
    SIZE CalcContentSize(bool available, SIZE size) override;
    void OnPaint(HDC dc) override;
    virtual void OnClick();
    void OnLButtonUp(UINT, POINT) { OnClick(); }

    HANDLE theme_ = nullptr;  // a visual-styles theme
    int check_ = 0;
    bool radio_ = false;
};

// "radio": a radio glyph and text; a click checks it and unchecks the other boxes of its
// "group" (the group "" when none is named).
class CBkRadioBox : public CBkCheckBox {
public:
    CBkRadioBox() { radio_ = true; }
    ~CBkRadioBox() override;
    BK_OBJECT_CLASS(CBkRadioBox)
    int Load(const TiXmlElement* xml) override;
    BK_ATTRIBUTES()

    const std::string& GetGroup() const { return group_; }

protected:
    void OnClick() override;

private:
    // "group": leaves the old group for the new one when the box has joined one already.
    static bool SetGroup(CBkRadioBox& box, const std::string& group, bool loading);

    std::string group_;
    bool joined_ = false;
};
