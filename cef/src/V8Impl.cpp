#include "V8Impl.h"

#include <cmath>
#include <cstdint>
#include <memory>

#include "Runtime.h"

namespace cefimpl {

namespace {

// Entered contexts of the renderer thread, innermost last. Only that thread touches it.
std::vector<CefRefPtr<V8ContextImpl>>& Entered() {
    static std::vector<CefRefPtr<V8ContextImpl>> entered;
    return entered;
}

bool IsIntegral(double number) {
    return std::isfinite(number) && std::floor(number) == number;
}

V8ValueImpl* Impl(const CefRefPtr<CefV8Value>& value) {
    return dynamic_cast<V8ValueImpl*>(value.get());
}

template <class T>
void DeleteOnRendererThread(const T* object) {
    Runtime* runtime = Runtime::Get();
    if (!runtime || OnRendererThread()) {
        delete object;
        return;
    }
    // The owner deletes the object when the task goes: after it ran on the renderer thread, when
    // that thread drops it at its end, or here when it cannot be queued at all.
    struct Owner {
        const T* object;
        ~Owner() { delete object; }
    };
    std::shared_ptr<Owner> owner(new Owner{object});
    runtime->renderer().Post([owner] {});
}

}  // namespace

V8ContextImpl::V8ContextImpl(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame)
    : browser_(browser), frame_(frame) {}

void V8ContextImpl::DeleteOnRenderer(const V8ContextImpl* context) {
    DeleteOnRendererThread(context);
}

V8ContextImpl::~V8ContextImpl() {
    for (V8ValueImpl* value : values_) {
        value->Neutralize();
    }
}

CefRefPtr<CefV8Value> V8ContextImpl::GetGlobal() {
    if (!valid_ || !OnRendererThread()) {
        return nullptr;
    }
    if (!global_) {
        // The global object does not refer back to its context, which owns it.
        global_ = new V8ValueImpl(V8ValueImpl::Kind::Object);
        Track(global_.get());
    }
    return global_.get();
}

bool V8ContextImpl::Enter() {
    if (!valid_ || !OnRendererThread()) {
        return false;
    }
    Entered().push_back(this);
    return true;
}

bool V8ContextImpl::Exit() {
    auto& entered = Entered();
    if (!OnRendererThread() || entered.empty() || entered.back().get() != this) {
        return false;
    }
    entered.pop_back();
    return true;
}

void V8ContextImpl::Invalidate() {
    if (!valid_) {
        return;
    }
    valid_ = false;
    // Hold every value while cutting them loose, so that none is destroyed mid-walk; they go when
    // `held` does, unless the application still holds them.
    std::vector<CefRefPtr<V8ValueImpl>> held(values_.begin(), values_.end());
    values_.clear();
    for (auto& value : held) {
        value->Neutralize();
    }
    global_ = nullptr;
    held.clear();
    browser_ = nullptr;
    frame_ = nullptr;
}

void V8ContextImpl::Untrack(V8ValueImpl* value) {
    for (auto it = values_.begin(); it != values_.end(); ++it) {
        if (*it == value) {
            values_.erase(it);
            return;
        }
    }
}

CefRefPtr<V8ContextImpl> V8ContextImpl::Current() {
    auto& entered = Entered();
    return entered.empty() ? nullptr : entered.back();
}

void V8ContextImpl::ClearEntered() {
    Entered().clear();
}

V8ValueImpl::V8ValueImpl(Kind kind) : kind_(kind) {}

void V8ValueImpl::DeleteOnRenderer(const V8ValueImpl* value) {
    DeleteOnRendererThread(value);
}

V8ValueImpl::~V8ValueImpl() {
    if (context_) {
        context_->Untrack(this);
    }
}

CefRefPtr<V8ValueImpl> V8ValueImpl::Bool(bool value) {
    CefRefPtr<V8ValueImpl> result = new V8ValueImpl(Kind::Bool);
    result->boolean_ = value;
    return result;
}

CefRefPtr<V8ValueImpl> V8ValueImpl::Number(double value) {
    CefRefPtr<V8ValueImpl> result = new V8ValueImpl(Kind::Number);
    result->number_ = value;
    return result;
}

CefRefPtr<V8ValueImpl> V8ValueImpl::String(const std::wstring& value) {
    CefRefPtr<V8ValueImpl> result = new V8ValueImpl(Kind::String);
    result->text_ = value;
    return result;
}

CefRefPtr<V8ValueImpl> V8ValueImpl::InCurrentContext(Kind kind) {
    CefRefPtr<V8ContextImpl> context = V8ContextImpl::Current();
    if (!context || !context->IsValid()) {
        return nullptr;
    }
    CefRefPtr<V8ValueImpl> value = new V8ValueImpl(kind);
    value->context_ = context;
    context->Track(value.get());
    return value;
}

bool V8ValueImpl::Usable() const {
    return valid_ && OnRendererThread();
}

bool V8ValueImpl::IsInt() {
    return kind_ == Kind::Number && IsIntegral(number_) && number_ >= INT32_MIN &&
           number_ <= INT32_MAX;
}

bool V8ValueImpl::IsUInt() {
    return kind_ == Kind::Number && IsIntegral(number_) && number_ >= 0 && number_ <= UINT32_MAX;
}

int32 V8ValueImpl::GetIntValue() {
    return IsInt() ? static_cast<int32>(number_) : 0;
}

uint32 V8ValueImpl::GetUIntValue() {
    return IsUInt() ? static_cast<uint32>(number_) : 0;
}

bool V8ValueImpl::IsSame(CefRefPtr<CefV8Value> that) {
    V8ValueImpl* other = Impl(that);
    if (!other || other->kind_ != kind_) {
        return false;
    }
    switch (kind_) {
        case Kind::Undefined:
        case Kind::Null:
            return true;
        case Kind::Bool:
            return boolean_ == other->boolean_;
        case Kind::Number:
            return number_ == other->number_;
        case Kind::String:
            return text_ == other->text_;
        default:
            return other == this;
    }
}

bool V8ValueImpl::ClearException() {
    exception_ = nullptr;
    return true;
}

V8ValueImpl::Property* V8ValueImpl::Find(const std::wstring& key) {
    for (auto& property : properties_) {
        if (property.key == key) {
            return &property;
        }
    }
    return nullptr;
}

bool V8ValueImpl::HasValue(const CefString& key) {
    return Usable() && IsObject() && Find(key.ToWString()) != nullptr;
}

bool V8ValueImpl::HasValue(int index) {
    return Usable() && kind_ == Kind::Array && index >= 0 &&
           index < static_cast<int>(elements_.size()) && elements_[index] != nullptr;
}

bool V8ValueImpl::DeleteValue(const CefString& key) {
    if (!Usable() || !IsObject()) {
        return false;
    }
    const std::wstring name = key.ToWString();
    for (auto it = properties_.begin(); it != properties_.end(); ++it) {
        if (it->key == name) {
            if (it->attribute & V8_PROPERTY_ATTRIBUTE_DONTDELETE) {
                return false;
            }
            properties_.erase(it);
            return true;
        }
    }
    return true;
}

bool V8ValueImpl::DeleteValue(int index) {
    if (!HasValue(index)) {
        return false;
    }
    elements_[index] = nullptr;
    return true;
}

CefRefPtr<CefV8Value> V8ValueImpl::GetValue(const CefString& key) {
    if (!Usable() || !IsObject()) {
        return nullptr;
    }
    Property* property = Find(key.ToWString());
    if (property) {
        return property->value;
    }
    return new V8ValueImpl(Kind::Undefined);
}

CefRefPtr<CefV8Value> V8ValueImpl::GetValue(int index) {
    if (!Usable() || kind_ != Kind::Array || index < 0) {
        return nullptr;
    }
    if (HasValue(index)) {
        return elements_[index];
    }
    return new V8ValueImpl(Kind::Undefined);
}

bool V8ValueImpl::SetValue(const CefString& key, CefRefPtr<CefV8Value> value,
                           PropertyAttribute attribute) {
    if (!Usable() || !IsObject() || !Impl(value)) {
        return false;
    }
    const std::wstring name = key.ToWString();
    Property* property = Find(name);
    if (property) {
        if (property->attribute & V8_PROPERTY_ATTRIBUTE_READONLY) {
            return false;
        }
        property->value = value;
        property->attribute = attribute;
    } else {
        properties_.push_back(Property{name, value, attribute});
    }
    return true;
}

bool V8ValueImpl::SetValue(int index, CefRefPtr<CefV8Value> value) {
    if (!Usable() || kind_ != Kind::Array || index < 0 || !Impl(value)) {
        return false;
    }
    if (index >= static_cast<int>(elements_.size())) {
        elements_.resize(static_cast<size_t>(index) + 1);
    }
    elements_[index] = value;
    return true;
}

bool V8ValueImpl::GetKeys(std::vector<CefString>& keys) {
    if (!Usable() || !IsObject()) {
        return false;
    }
    if (kind_ == Kind::Array) {
        for (size_t i = 0; i < elements_.size(); ++i) {
            if (elements_[i]) {
                keys.push_back(std::to_wstring(i));
            }
        }
    }
    for (const auto& property : properties_) {
        if (!(property.attribute & V8_PROPERTY_ATTRIBUTE_DONTENUM)) {
            keys.push_back(property.key);
        }
    }
    return true;
}

CefRefPtr<CefV8Value> V8ValueImpl::ExecuteFunction(CefRefPtr<CefV8Value> object,
                                                   const CefV8ValueList& arguments) {
    return ExecuteFunctionWithContext(context_.get(), object, arguments);
}

CefRefPtr<CefV8Value> V8ValueImpl::ExecuteFunctionWithContext(CefRefPtr<CefV8Context> context,
                                                              CefRefPtr<CefV8Value> object,
                                                              const CefV8ValueList& arguments) {
    if (!Usable() || kind_ != Kind::Function || !context || !context->IsValid()) {
        return nullptr;
    }
    for (const auto& argument : arguments) {
        if (!Impl(argument) || !argument->IsValid()) {
            return nullptr;
        }
    }
    exception_ = nullptr;
    if (!context->Enter()) {
        return nullptr;
    }
    CefRefPtr<CefV8Value> self = object ? object : context->GetGlobal();
    CefRefPtr<CefV8Value> retval;
    CefString exception;
    const bool handled = handler_ && handler_->Execute(name_, self, arguments, retval, exception);
    context->Exit();
    if (handled && !exception.empty()) {
        exception_ = new V8ExceptionImpl(L"Uncaught Error: " + exception.ToWString());
        return nullptr;
    }
    if (handled && retval && Impl(retval)) {
        return retval;
    }
    return new V8ValueImpl(Kind::Undefined);
}

void V8ValueImpl::Neutralize() {
    valid_ = false;
    properties_.clear();
    elements_.clear();
    handler_ = nullptr;
    exception_ = nullptr;
    context_ = nullptr;
}

}  // namespace cefimpl

using cefimpl::OnRendererThread;
using cefimpl::V8ContextImpl;
using cefimpl::V8ValueImpl;

CefRefPtr<CefV8Context> CefV8Context::GetCurrentContext() {
    return OnRendererThread() ? V8ContextImpl::Current().get() : nullptr;
}

CefRefPtr<CefV8Context> CefV8Context::GetEnteredContext() {
    return GetCurrentContext();
}

bool CefV8Context::InContext() {
    return GetCurrentContext() != nullptr;
}

CefRefPtr<CefV8Value> CefV8Value::CreateUndefined() {
    return OnRendererThread() ? new V8ValueImpl(V8ValueImpl::Kind::Undefined) : nullptr;
}

CefRefPtr<CefV8Value> CefV8Value::CreateNull() {
    return OnRendererThread() ? new V8ValueImpl(V8ValueImpl::Kind::Null) : nullptr;
}

CefRefPtr<CefV8Value> CefV8Value::CreateBool(bool value) {
    return OnRendererThread() ? V8ValueImpl::Bool(value).get() : nullptr;
}

CefRefPtr<CefV8Value> CefV8Value::CreateInt(int32 value) {
    return OnRendererThread() ? V8ValueImpl::Number(value).get() : nullptr;
}

CefRefPtr<CefV8Value> CefV8Value::CreateUInt(uint32 value) {
    return OnRendererThread() ? V8ValueImpl::Number(value).get() : nullptr;
}

CefRefPtr<CefV8Value> CefV8Value::CreateDouble(double value) {
    return OnRendererThread() ? V8ValueImpl::Number(value).get() : nullptr;
}

CefRefPtr<CefV8Value> CefV8Value::CreateString(const CefString& value) {
    return OnRendererThread() ? V8ValueImpl::String(value.ToWString()).get() : nullptr;
}

CefRefPtr<CefV8Value> CefV8Value::CreateObject() {
    return OnRendererThread() ? V8ValueImpl::InCurrentContext(V8ValueImpl::Kind::Object).get()
                              : nullptr;
}

CefRefPtr<CefV8Value> CefV8Value::CreateArray(int length) {
    if (!OnRendererThread() || length < 0) {
        return nullptr;
    }
    CefRefPtr<V8ValueImpl> array = V8ValueImpl::InCurrentContext(V8ValueImpl::Kind::Array);
    if (array) {
        for (int i = 0; i < length; ++i) {
            array->SetValue(i, new V8ValueImpl(V8ValueImpl::Kind::Undefined));
        }
    }
    return array.get();
}

CefRefPtr<CefV8Value> CefV8Value::CreateFunction(const CefString& name,
                                                 CefRefPtr<CefV8Handler> handler) {
    if (!OnRendererThread() || !handler) {
        return nullptr;
    }
    CefRefPtr<V8ValueImpl> function = V8ValueImpl::InCurrentContext(V8ValueImpl::Kind::Function);
    if (function) {
        function->name_ = name.ToWString();
        function->handler_ = handler;
    }
    return function.get();
}
