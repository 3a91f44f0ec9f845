#pragma once

#include <string>
#include <utility>
#include <vector>

#include "include/cef_v8.h"
#include "LiveObjects.h"

namespace cefimpl {

class V8ValueImpl;

// Script objects live on the renderer thread: whichever thread lets go of one last, it is deleted
// there (or at once when that thread no longer runs).
#define IMPLEMENT_RENDERER_REFCOUNTING \
public:                                \
    void AddRef() const override {     \
        ref_count_.AddRef();           \
    }                                  \
    bool Release() const override {    \
        if (ref_count_.Release()) {    \
            DeleteOnRenderer(this);    \
            return true;               \
        }                              \
        return false;                  \
    }                                  \
    bool HasOneRef() const override {  \
        return ref_count_.HasOneRef(); \
    }                                  \
                                       \
private:                               \
    CefRefCount ref_count_

// A script context of one frame's page. The values created in it are tracked, so that when the
// page goes, the references among them (which a garbage collector would reclaim) are cut and every
// one is released.
class V8ContextImpl : public CefV8Context {
public:
    V8ContextImpl(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame);
    ~V8ContextImpl() override;

    bool IsValid() override { return valid_; }
    CefRefPtr<CefBrowser> GetBrowser() override { return browser_; }
    CefRefPtr<CefFrame> GetFrame() override { return frame_; }
    CefRefPtr<CefV8Value> GetGlobal() override;
    bool Enter() override;
    bool Exit() override;
    bool IsSame(CefRefPtr<CefV8Context> that) override { return that.get() == this; }

    // The page went: cuts every value of the context loose and invalidates them.
    void Invalidate();
    void Track(V8ValueImpl* value) { values_.push_back(value); }
    void Untrack(V8ValueImpl* value);

    // Renderer thread: the innermost entered context, or null.
    static CefRefPtr<V8ContextImpl> Current();
    // Renderer thread, at shutdown: forgets contexts left entered.
    static void ClearEntered();

private:
    bool valid_ = true;
    CefRefPtr<CefBrowser> browser_;
    CefRefPtr<CefFrame> frame_;
    CefRefPtr<V8ValueImpl> global_;
    std::vector<V8ValueImpl*> values_;
    Live<LiveKind::V8Context> live_;
    static void DeleteOnRenderer(const V8ContextImpl* context);
    IMPLEMENT_RENDERER_REFCOUNTING;
};

class V8ExceptionImpl : public CefV8Exception {
public:
    explicit V8ExceptionImpl(const CefString& message) : message_(message) {}

    CefString GetMessage() override { return message_; }
    CefString GetSourceLine() override { return CefString(); }
    CefString GetScriptResourceName() override { return CefString(); }
    int GetLineNumber() override { return 0; }
    int GetStartPosition() override { return 0; }
    int GetEndPosition() override { return 0; }
    int GetStartColumn() override { return 0; }
    int GetEndColumn() override { return 0; }

private:
    CefString message_;
    Live<LiveKind::Other> live_;
    IMPLEMENT_REFCOUNTING(V8ExceptionImpl);
};

// A stack trace without frames: native calls from the page driver have no script above them.
class V8StackTraceImpl : public CefV8StackTrace {
public:
    bool IsValid() override { return true; }
    int GetFrameCount() override { return 0; }
    CefRefPtr<CefV8StackFrame> GetFrame(int) override { return nullptr; }

private:
    Live<LiveKind::Other> live_;
    IMPLEMENT_REFCOUNTING(V8StackTraceImpl);
};

class V8ValueImpl : public CefV8Value {
public:
    enum class Kind { Undefined, Null, Bool, Number, String, Object, Array, Function };

    explicit V8ValueImpl(Kind kind);
    ~V8ValueImpl() override;

    static CefRefPtr<V8ValueImpl> Bool(bool value);
    static CefRefPtr<V8ValueImpl> Number(double value);
    static CefRefPtr<V8ValueImpl> String(const std::wstring& value);
    // Objects, arrays and functions belong to the current context; null outside any context.
    static CefRefPtr<V8ValueImpl> InCurrentContext(Kind kind);

    bool IsValid() override { return valid_; }
    bool IsUndefined() override { return kind_ == Kind::Undefined; }
    bool IsNull() override { return kind_ == Kind::Null; }
    bool IsBool() override { return kind_ == Kind::Bool; }
    bool IsInt() override;
    bool IsUInt() override;
    bool IsDouble() override { return kind_ == Kind::Number; }
    bool IsString() override { return kind_ == Kind::String; }
    bool IsObject() override {
        return kind_ == Kind::Object || kind_ == Kind::Array || kind_ == Kind::Function;
    }
    bool IsArray() override { return kind_ == Kind::Array; }
    bool IsFunction() override { return kind_ == Kind::Function; }
    bool IsSame(CefRefPtr<CefV8Value> that) override;
    bool GetBoolValue() override { return kind_ == Kind::Bool && boolean_; }
    int32 GetIntValue() override;
    uint32 GetUIntValue() override;
    double GetDoubleValue() override { return kind_ == Kind::Number ? number_ : 0; }
    CefString GetStringValue() override { return kind_ == Kind::String ? text_ : std::wstring(); }

    bool HasException() override { return exception_ != nullptr; }
    CefRefPtr<CefV8Exception> GetException() override { return exception_; }
    bool ClearException() override;

    bool HasValue(const CefString& key) override;
    bool HasValue(int index) override;
    bool DeleteValue(const CefString& key) override;
    bool DeleteValue(int index) override;
    CefRefPtr<CefV8Value> GetValue(const CefString& key) override;
    CefRefPtr<CefV8Value> GetValue(int index) override;
    bool SetValue(const CefString& key, CefRefPtr<CefV8Value> value,
                  PropertyAttribute attribute) override;
    bool SetValue(int index, CefRefPtr<CefV8Value> value) override;
    bool GetKeys(std::vector<CefString>& keys) override;

    int GetArrayLength() override { return static_cast<int>(elements_.size()); }
    CefString GetFunctionName() override { return name_; }
    CefRefPtr<CefV8Handler> GetFunctionHandler() override { return handler_; }
    CefRefPtr<CefV8Value> ExecuteFunction(CefRefPtr<CefV8Value> object,
                                          const CefV8ValueList& arguments) override;
    CefRefPtr<CefV8Value> ExecuteFunctionWithContext(CefRefPtr<CefV8Context> context,
                                                     CefRefPtr<CefV8Value> object,
                                                     const CefV8ValueList& arguments) override;

    // Drops everything the value refers to and makes it invalid; its context has gone.
    void Neutralize();

    std::wstring name_;
    CefRefPtr<CefV8Handler> handler_;

private:
    struct Property {
        std::wstring key;
        CefRefPtr<CefV8Value> value;
        PropertyAttribute attribute;
    };
    Property* Find(const std::wstring& key);
    // False off the renderer thread and once the value's context has gone.
    bool Usable() const;

    Kind kind_;
    bool valid_ = true;
    bool boolean_ = false;
    double number_ = 0;
    std::wstring text_;
    std::vector<Property> properties_;
    std::vector<CefRefPtr<CefV8Value>> elements_;
    CefRefPtr<V8ContextImpl> context_;
    CefRefPtr<CefV8Exception> exception_;
    Live<LiveKind::V8Value> live_;
    static void DeleteOnRenderer(const V8ValueImpl* value);
    IMPLEMENT_RENDERER_REFCOUNTING;
};

}  // namespace cefimpl
