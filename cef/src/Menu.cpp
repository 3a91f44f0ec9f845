#include "Menu.h"

namespace cefimpl {

bool MenuModelImpl::Clear() {
    items_.clear();
    return true;
}

bool MenuModelImpl::Insert(int index, Item item) {
    if (index < 0 || index > GetCount()) {
        return false;
    }
    items_.insert(items_.begin() + index, std::move(item));
    return true;
}

MenuModelImpl::Item* MenuModelImpl::At(int index) {
    return index >= 0 && index < GetCount() ? &items_[static_cast<size_t>(index)] : nullptr;
}

bool MenuModelImpl::AddSeparator() {
    return InsertSeparatorAt(GetCount());
}

bool MenuModelImpl::AddItem(int command_id, const CefString& label) {
    return InsertItemAt(GetCount(), command_id, label);
}

bool MenuModelImpl::AddCheckItem(int command_id, const CefString& label) {
    Item item;
    item.entry.commandId = command_id;
    item.entry.label = label.ToWString();
    item.entry.type = MENUITEMTYPE_CHECK;
    return Insert(GetCount(), std::move(item));
}

CefRefPtr<CefMenuModel> MenuModelImpl::AddSubMenu(int command_id, const CefString& label) {
    Item item;
    item.entry.commandId = command_id;
    item.entry.label = label.ToWString();
    item.entry.type = MENUITEMTYPE_SUBMENU;
    item.submenu = new MenuModelImpl();
    CefRefPtr<CefMenuModel> submenu = item.submenu.get();
    Insert(GetCount(), std::move(item));
    return submenu;
}

bool MenuModelImpl::InsertSeparatorAt(int index) {
    Item item;
    item.entry.commandId = -1;
    item.entry.type = MENUITEMTYPE_SEPARATOR;
    return Insert(index, std::move(item));
}

bool MenuModelImpl::InsertItemAt(int index, int command_id, const CefString& label) {
    Item item;
    item.entry.commandId = command_id;
    item.entry.label = label.ToWString();
    return Insert(index, std::move(item));
}

bool MenuModelImpl::RemoveAt(int index) {
    if (!At(index)) {
        return false;
    }
    items_.erase(items_.begin() + index);
    return true;
}

int MenuModelImpl::GetIndexOf(int command_id) {
    for (size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].entry.type != MENUITEMTYPE_SEPARATOR &&
            items_[i].entry.commandId == command_id) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int MenuModelImpl::GetCommandIdAt(int index) {
    Item* item = At(index);
    return item ? item->entry.commandId : -1;
}

CefString MenuModelImpl::GetLabelAt(int index) {
    Item* item = At(index);
    return item ? CefString(item->entry.label) : CefString();
}

bool MenuModelImpl::SetLabel(int command_id, const CefString& label) {
    Item* item = Find(command_id);
    if (!item) {
        return false;
    }
    item->entry.label = label.ToWString();
    return true;
}

MenuModelImpl::MenuItemType MenuModelImpl::GetTypeAt(int index) {
    Item* item = At(index);
    return item ? item->entry.type : MENUITEMTYPE_NONE;
}

CefRefPtr<CefMenuModel> MenuModelImpl::GetSubMenuAt(int index) {
    Item* item = At(index);
    return item && item->submenu ? item->submenu.get() : nullptr;
}

bool MenuModelImpl::IsVisible(int command_id) {
    Item* item = Find(command_id);
    return item && item->visible;
}

bool MenuModelImpl::SetVisible(int command_id, bool visible) {
    Item* item = Find(command_id);
    if (!item) {
        return false;
    }
    item->visible = visible;
    return true;
}

bool MenuModelImpl::IsEnabled(int command_id) {
    Item* item = Find(command_id);
    return item && item->entry.enabled;
}

bool MenuModelImpl::SetEnabled(int command_id, bool enabled) {
    Item* item = Find(command_id);
    if (!item) {
        return false;
    }
    item->entry.enabled = enabled;
    return true;
}

bool MenuModelImpl::IsChecked(int command_id) {
    Item* item = Find(command_id);
    return item && item->entry.checked;
}

bool MenuModelImpl::SetChecked(int command_id, bool checked) {
    Item* item = Find(command_id);
    if (!item || item->entry.type != MENUITEMTYPE_CHECK) {
        return false;
    }
    item->entry.checked = checked;
    return true;
}

std::vector<MenuEntry> MenuModelImpl::Entries() const {
    std::vector<MenuEntry> entries;
    for (const auto& item : items_) {
        if (!item.visible) {
            continue;
        }
        entries.push_back(item.entry);
        if (item.submenu) {
            entries.back().submenu = item.submenu->Entries();
        }
    }
    return entries;
}

}  // namespace cefimpl
