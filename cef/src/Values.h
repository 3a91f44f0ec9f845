#pragma once

#include <set>
#include <string>
#include <vector>

#include "include/cef_command_line.h"
#include "include/cef_request.h"
#include "include/cef_scheme.h"
#include "include/cef_values.h"
#include "LiveObjects.h"

namespace cefimpl {

class CommandLineImpl : public CefCommandLine {
public:
    // The command line this process was started with.
    static CefRefPtr<CommandLineImpl> FromProcess(bool readOnly);

    bool IsValid() override { return true; }
    bool IsReadOnly() override { return readOnly_; }
    CefRefPtr<CefCommandLine> Copy() override;
    void InitFromString(const CefString& command_line) override;
    void Reset() override;
    CefString GetCommandLineString() override;
    CefString GetProgram() override { return program_; }
    void SetProgram(const CefString& program) override;
    bool HasSwitches() override { return !switches_.empty(); }
    bool HasSwitch(const CefString& name) override;
    CefString GetSwitchValue(const CefString& name) override;
    void GetSwitches(SwitchMap& switches) override;
    void AppendSwitch(const CefString& name) override { AppendSwitchWithValue(name, CefString()); }
    void AppendSwitchWithValue(const CefString& name, const CefString& value) override;
    bool HasArguments() override { return !arguments_.empty(); }
    void GetArguments(ArgumentList& arguments) override;
    void AppendArgument(const CefString& argument) override;

private:
    bool readOnly_ = false;
    std::wstring program_;
    std::vector<std::pair<std::wstring, std::wstring>> switches_;
    std::vector<std::wstring> arguments_;
    Live<LiveKind::Other> live_;
    IMPLEMENT_REFCOUNTING(CommandLineImpl);
};

class ListValueImpl : public CefListValue {
public:
    CefRefPtr<ListValueImpl> ReadOnlyCopy() const;

    bool IsValid() override { return true; }
    bool IsReadOnly() override { return readOnly_; }
    bool SetSize(size_t size) override;
    size_t GetSize() override { return items_.size(); }
    bool Clear() override { return SetSize(0); }
    bool Remove(int index) override;
    CefValueType GetType(int index) override;
    bool GetBool(int index) override;
    int GetInt(int index) override;
    double GetDouble(int index) override;
    CefString GetString(int index) override;
    bool SetNull(int index) override;
    bool SetBool(int index, bool value) override;
    bool SetInt(int index, int value) override;
    bool SetDouble(int index, double value) override;
    bool SetString(int index, const CefString& value) override;

private:
    struct Item {
        CefValueType type = VTYPE_NULL;
        double number = 0;
        std::wstring text;
    };
    const Item* At(int index) const;
    bool Set(int index, Item item);

    bool readOnly_ = false;
    std::vector<Item> items_;
    Live<LiveKind::Other> live_;
    IMPLEMENT_REFCOUNTING(ListValueImpl);
};

class RequestImpl : public CefRequest {
public:
    RequestImpl(const std::wstring& url, bool readOnly);

    bool IsReadOnly() override { return readOnly_; }
    CefString GetURL() override { return url_; }
    void SetURL(const CefString& url) override;
    CefString GetMethod() override { return method_; }
    void SetMethod(const CefString& method) override;
    uint64 GetIdentifier() override { return identifier_; }

private:
    bool readOnly_;
    std::wstring url_;
    std::wstring method_ = L"GET";
    uint64 identifier_;
    Live<LiveKind::Other> live_;
    IMPLEMENT_REFCOUNTING(RequestImpl);
};

class SchemeRegistrarImpl : public CefSchemeRegistrar {
public:
    bool AddCustomScheme(const CefString& scheme_name, bool is_standard, bool is_local,
                         bool is_display_isolated) override;

private:
    std::set<std::wstring> schemes_;
    Live<LiveKind::Other> live_;
    IMPLEMENT_REFCOUNTING(SchemeRegistrarImpl);
};

}  // namespace cefimpl
