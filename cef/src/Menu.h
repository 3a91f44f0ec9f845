#pragma once

#include <vector>

#include "include/cef_context_menu_handler.h"
#include "include/cef_menu_model.h"
#include "Engine.h"
#include "LiveObjects.h"

namespace cefimpl {

class MenuModelImpl : public CefMenuModel {
public:
    bool Clear() override;
    int GetCount() override { return static_cast<int>(items_.size()); }
    bool AddSeparator() override;
    bool AddItem(int command_id, const CefString& label) override;
    bool AddCheckItem(int command_id, const CefString& label) override;
    CefRefPtr<CefMenuModel> AddSubMenu(int command_id, const CefString& label) override;
    bool InsertSeparatorAt(int index) override;
    bool InsertItemAt(int index, int command_id, const CefString& label) override;
    bool Remove(int command_id) override { return RemoveAt(GetIndexOf(command_id)); }
    bool RemoveAt(int index) override;
    int GetIndexOf(int command_id) override;
    int GetCommandIdAt(int index) override;
    CefString GetLabel(int command_id) override { return GetLabelAt(GetIndexOf(command_id)); }
    CefString GetLabelAt(int index) override;
    bool SetLabel(int command_id, const CefString& label) override;
    MenuItemType GetType(int command_id) override { return GetTypeAt(GetIndexOf(command_id)); }
    MenuItemType GetTypeAt(int index) override;
    CefRefPtr<CefMenuModel> GetSubMenu(int command_id) override {
        return GetSubMenuAt(GetIndexOf(command_id));
    }
    CefRefPtr<CefMenuModel> GetSubMenuAt(int index) override;
    bool IsVisible(int command_id) override;
    bool SetVisible(int command_id, bool visible) override;
    bool IsEnabled(int command_id) override;
    bool SetEnabled(int command_id, bool enabled) override;
    bool IsChecked(int command_id) override;
    bool SetChecked(int command_id, bool checked) override;

    // The visible items as the engine shows them.
    std::vector<MenuEntry> Entries() const;

private:
    struct Item {
        MenuEntry entry;
        bool visible = true;
        CefRefPtr<MenuModelImpl> submenu;
    };
    bool Insert(int index, Item item);
    Item* At(int index);
    Item* Find(int command_id) { return At(GetIndexOf(command_id)); }

    std::vector<Item> items_;
    Live<LiveKind::Other> live_;
    IMPLEMENT_REFCOUNTING(MenuModelImpl);
};

class ContextMenuParamsImpl : public CefContextMenuParams {
public:
    ContextMenuParamsImpl(POINT at, TypeFlags flags, const std::wstring& pageUrl,
                          const std::wstring& frameUrl)
        : at_(at), flags_(flags), pageUrl_(pageUrl), frameUrl_(frameUrl) {}

    int GetXCoord() override { return at_.x; }
    int GetYCoord() override { return at_.y; }
    TypeFlags GetTypeFlags() override { return flags_; }
    CefString GetLinkUrl() override { return CefString(); }
    CefString GetUnfilteredLinkUrl() override { return CefString(); }
    CefString GetSourceUrl() override { return CefString(); }
    bool HasImageContents() override { return false; }
    CefString GetPageUrl() override { return pageUrl_; }
    CefString GetFrameUrl() override { return frameUrl_; }
    CefString GetFrameCharset() override { return CefString(); }
    MediaType GetMediaType() override { return CM_MEDIATYPE_NONE; }
    MediaStateFlags GetMediaStateFlags() override { return CM_MEDIAFLAG_NONE; }
    CefString GetSelectionText() override { return CefString(); }
    bool IsEditable() override { return false; }
    EditStateFlags GetEditStateFlags() override { return CM_EDITFLAG_NONE; }

private:
    POINT at_;
    TypeFlags flags_;
    std::wstring pageUrl_;
    std::wstring frameUrl_;
    Live<LiveKind::Other> live_;
    IMPLEMENT_REFCOUNTING(ContextMenuParamsImpl);
};

}  // namespace cefimpl
