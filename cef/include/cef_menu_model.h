#pragma once

#include "include/cef_base.h"

// The items of a context menu, changeable by the client before the menu is shown.
class CefMenuModel : public virtual CefBase {
public:
    typedef cef_menu_item_type_t MenuItemType;

    virtual bool Clear() = 0;
    virtual int GetCount() = 0;
    virtual bool AddSeparator() = 0;
    virtual bool AddItem(int command_id, const CefString& label) = 0;
    virtual bool AddCheckItem(int command_id, const CefString& label) = 0;
    virtual CefRefPtr<CefMenuModel> AddSubMenu(int command_id, const CefString& label) = 0;
    virtual bool InsertSeparatorAt(int index) = 0;
    virtual bool InsertItemAt(int index, int command_id, const CefString& label) = 0;
    virtual bool Remove(int command_id) = 0;
    virtual bool RemoveAt(int index) = 0;
    virtual int GetIndexOf(int command_id) = 0;
    virtual int GetCommandIdAt(int index) = 0;
    virtual CefString GetLabel(int command_id) = 0;
    virtual CefString GetLabelAt(int index) = 0;
    virtual bool SetLabel(int command_id, const CefString& label) = 0;
    virtual MenuItemType GetType(int command_id) = 0;
    virtual MenuItemType GetTypeAt(int index) = 0;
    virtual CefRefPtr<CefMenuModel> GetSubMenu(int command_id) = 0;
    virtual CefRefPtr<CefMenuModel> GetSubMenuAt(int index) = 0;
    virtual bool IsVisible(int command_id) = 0;
    virtual bool SetVisible(int command_id, bool visible) = 0;
    virtual bool IsEnabled(int command_id) = 0;
    virtual bool SetEnabled(int command_id, bool enabled) = 0;
    virtual bool IsChecked(int command_id) = 0;
    virtual bool SetChecked(int command_id, bool checked) = 0;
};
