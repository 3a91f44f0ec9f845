#include "BkContainer.h"

#include <tinyxml.h>

#include "BkButton.h"
#include "BkCheckBox.h"
#include "BkDialogFile.h"
#include "BkDrawFileIcon.h"
#include "BkEdit.h"
#include "BkIconWnd.h"
#include "BkImageBtnWnd.h"
#include "BkImageHover.h"
#include "BkImageListHWnd.h"
#include "BkImageWnd.h"
#include "BkImageZoom.h"
#include "BkLine.h"
#include "BkLoadScope.h"
#include "BkLink.h"
#include "BkMemoryImage.h"
#include "BkParse.h"
#include "BkProgress.h"
#include "BkRealWnd.h"
#include "BkSlider.h"
#include "BkStatic.h"
#include "BkTabCtrl.h"
#include "Win32Handles.h"

void CBkContainerWnd::AttachHostWindow(HWND host) {
    CBkWindow::AttachHostWindow(host);
    for (const auto& child : children_) {
        child->AttachHostWindow(host);
    }
}

CBkWindow* CBkContainerWnd::FindById(int id) {
    for (const auto& child : children_) {
        if (child->GetId() == id) {
            return child.get();
        }
    }
    for (const auto& child : children_) {
        CBkWindow* found = child->IsContainer()
                               ? static_cast<CBkContainerWnd*>(child.get())->FindById(id)
                               : nullptr;
        if (found) {
            return found;
        }
    }
    return nullptr;
}

void CBkContainerWnd::LayoutChildren() {
    for (const auto& child : children_) {
        LayoutChild(child.get());
    }
}

void CBkContainerWnd::AppendChild(std::unique_ptr<CBkWindow> child) {
    children_.push_back(std::move(child));
}

void CBkContainerWnd::DestroyChildren() {
    for (const auto& child : children_) {
        child->Send(WM_DESTROY);
    }
    children_.clear();
}

void CBkPanel::OnShowWindow(bool show, UINT status) {
    CBkContainerWnd::OnShowWindow(show, status);
    ShowRealWindows(show);
}

void CBkPanel::ShowRealWindows(bool show) {
    const bool visible = show && IsVisible(true);
    for (const auto& child : children_) {
        const bool shown = visible && !(child->GetState() & StateHidden);
        if (child->IsContainer()) {
            static_cast<CBkContainerWnd*>(child.get())->ShowRealWindows(shown);
        } else {
            child->ShowRealWindow(shown);
        }
    }
}

int CBkDialog::Load(const TiXmlElement* xml) {
    CBkWindow::Load(xml);
    LoadChildren(xml ? xml->FirstChildElement() : nullptr);
    return 1;
}

BK_DEFINE_ATTRIBUTES(CBkDialog, CBkWindow,
                     {"onlydrawchild", A::Field<ParseInt, &CBkDialog::onlyDrawChild_>,
                      kAttrRepaint})

void CBkDialog::LoadChildren(const TiXmlElement* first) {
    Send(WM_DESTROY);
    BkLoadScope scope;
    for (const TiXmlElement* xml = scope.TooDeep() ? nullptr : first; xml;
         xml = xml->NextSiblingElement()) {
        std::unique_ptr<CBkWindow> child = CreateElementByTag(xml->Value());
        if (!child) {
            continue;
        }
        if (!scope.Take()) {
            break;
        }
        child->SetParentHandle(GetHandle());
        child->AttachHostWindow(host_);
        child->Load(xml);
        AppendChild(std::move(child));
    }
}

int CBkDialog::HitTest(POINT point) {
    if (!PtInRect(&rect_, point)) {
        return 0;
    }
    if (onlyDrawChild_) {
        return GetHandle();
    }
    for (const bool floating : {true, false}) {
        for (auto it = children_.rbegin(); it != children_.rend(); ++it) {
            CBkWindow& child = **it;
            const bool floats = (child.GetSizeMode() & SizeFloat) != 0;
            if ((child.GetState() & StateHidden) || child.IsTransparent() || floats != floating) {
                continue;
            }
            const int hit = child.HitTest(point);
            if (hit) {
                return hit;
            }
        }
    }
    return GetHandle();
}

bool CBkDialog::PaintInRegion(HDC dc, HRGN region) {
    if (!CBkWindow::PaintInRegion(dc, region)) {
        return false;
    }
    const CDcState saved(dc);
    PrepareTextDc(dc);
    for (const auto& child : children_) {
        if (!(child->GetState() & StateHidden)) {
            child->PaintInRegion(dc, region);
        }
    }
    return true;
}

void CBkDialog::OnPlaced(const WINDOWPOS& position) {
    OnWindowPosChanged(position);
    LayoutChildren();
}

LRESULT CBkDialog::ForwardToSliders(UINT message, WPARAM wParam, LPARAM lParam) {
    for (const auto& child : children_) {
        if (child->IsClass("slider")) {
            child->Send(message, wParam, lParam);
        }
    }
    return 0;
}

void CBkDialog::LayoutChild(CBkWindow* child) {
    RECT content = rect_;
    InflateRect(&content, -style_.xMargin, -style_.yMargin);
    const int width = content.right - content.left;
    const int height = content.bottom - content.top;
    WINDOWPOS pos = {};
    pos.x = ResolvePosItem(child->GetPosItem(0), content.left, width);
    pos.y = ResolvePosItem(child->GetPosItem(1), content.top, height);
    pos.cx = width;
    pos.cy = height;
    child->Send(WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
}

std::unique_ptr<CBkWindow> CreateElementByTag(const std::string& tag) {
#define BK_MAKE_ELEMENT(tagName, Class)   \
    if (tag == tagName) {                 \
        return std::make_unique<Class>(); \
    }
    BK_ELEMENT_TAGS(BK_MAKE_ELEMENT)
#undef BK_MAKE_ELEMENT
    return nullptr;
}
