#include "Values.h"

#include <windows.h>
#include <shellapi.h>

#include <atomic>
#include <cwctype>

namespace cefimpl {

namespace {

std::wstring Lower(std::wstring text) {
    for (auto& c : text) {
        c = static_cast<wchar_t>(std::towlower(c));
    }
    return text;
}

std::wstring Quoted(const std::wstring& text) {
    return text.find_first_of(L" \t") == std::wstring::npos ? text : L"\"" + text + L"\"";
}

}  // namespace

CefRefPtr<CommandLineImpl> CommandLineImpl::FromProcess(bool readOnly) {
    CefRefPtr<CommandLineImpl> commandLine = new CommandLineImpl();
    commandLine->InitFromString(GetCommandLineW());
    commandLine->readOnly_ = readOnly;
    return commandLine;
}

CefRefPtr<CefCommandLine> CommandLineImpl::Copy() {
    CefRefPtr<CommandLineImpl> copy = new CommandLineImpl();
    copy->program_ = program_;
    copy->switches_ = switches_;
    copy->arguments_ = arguments_;
    return copy.get();
}

void CommandLineImpl::InitFromString(const CefString& command_line) {
    if (readOnly_) {
        return;
    }
    Reset();
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(command_line.ToWString().c_str(), &count);
    if (!argv) {
        return;
    }
    bool switchesEnded = false;
    for (int i = 0; i < count; ++i) {
        const std::wstring argument = argv[i];
        if (i == 0) {
            program_ = argument;
        } else if (!switchesEnded && argument == L"--") {
            switchesEnded = true;
        } else if (!switchesEnded && argument.size() > 1 && argument[0] == L'-') {
            // Switches are "--name", "-name", either with "=value".
            const std::wstring body = argument.substr(argument[1] == L'-' ? 2 : 1);
            const size_t equals = body.find(L'=');
            AppendSwitchWithValue(body.substr(0, equals),
                                  equals == std::wstring::npos ? L"" : body.substr(equals + 1));
        } else {
            arguments_.push_back(argument);
        }
    }
    LocalFree(argv);
}

void CommandLineImpl::Reset() {
    if (readOnly_) {
        return;
    }
    program_.clear();
    switches_.clear();
    arguments_.clear();
}

CefString CommandLineImpl::GetCommandLineString() {
    std::wstring text = Quoted(program_);
    for (const auto& entry : switches_) {
        text += L" --" + entry.first;
        if (!entry.second.empty()) {
            text += L"=" + Quoted(entry.second);
        }
    }
    for (const auto& argument : arguments_) {
        text += L" " + Quoted(argument);
    }
    return text;
}

void CommandLineImpl::SetProgram(const CefString& program) {
    if (!readOnly_) {
        program_ = program.ToWString();
    }
}

bool CommandLineImpl::HasSwitch(const CefString& name) {
    const std::wstring key = Lower(name.ToWString());
    for (const auto& entry : switches_) {
        if (entry.first == key) {
            return true;
        }
    }
    return false;
}

CefString CommandLineImpl::GetSwitchValue(const CefString& name) {
    const std::wstring key = Lower(name.ToWString());
    for (const auto& entry : switches_) {
        if (entry.first == key) {
            return entry.second;
        }
    }
    return CefString();
}

void CommandLineImpl::GetSwitches(SwitchMap& switches) {
    for (const auto& entry : switches_) {
        switches[entry.first] = entry.second;
    }
}

void CommandLineImpl::AppendSwitchWithValue(const CefString& name, const CefString& value) {
    if (readOnly_) {
        return;
    }
    const std::wstring key = Lower(name.ToWString());
    for (auto& entry : switches_) {
        if (entry.first == key) {
            entry.second = value.ToWString();
            return;
        }
    }
    switches_.emplace_back(key, value.ToWString());
}

void CommandLineImpl::GetArguments(ArgumentList& arguments) {
    for (const auto& argument : arguments_) {
        arguments.push_back(argument);
    }
}

void CommandLineImpl::AppendArgument(const CefString& argument) {
    if (!readOnly_) {
        arguments_.push_back(argument.ToWString());
    }
}

CefRefPtr<ListValueImpl> ListValueImpl::ReadOnlyCopy() const {
    CefRefPtr<ListValueImpl> copy = new ListValueImpl();
    copy->items_ = items_;
    copy->readOnly_ = true;
    return copy;
}

const ListValueImpl::Item* ListValueImpl::At(int index) const {
    return index >= 0 && index < static_cast<int>(items_.size())
               ? &items_[static_cast<size_t>(index)]
               : nullptr;
}

bool ListValueImpl::Set(int index, Item item) {
    if (readOnly_ || index < 0) {
        return false;
    }
    if (index >= static_cast<int>(items_.size())) {
        items_.resize(static_cast<size_t>(index) + 1);
    }
    items_[static_cast<size_t>(index)] = std::move(item);
    return true;
}

bool ListValueImpl::SetSize(size_t size) {
    if (readOnly_) {
        return false;
    }
    items_.resize(size);
    return true;
}

bool ListValueImpl::Remove(int index) {
    if (readOnly_ || !At(index)) {
        return false;
    }
    items_.erase(items_.begin() + index);
    return true;
}

CefValueType ListValueImpl::GetType(int index) {
    const Item* item = At(index);
    return item ? item->type : VTYPE_INVALID;
}

bool ListValueImpl::GetBool(int index) {
    const Item* item = At(index);
    return item && item->type == VTYPE_BOOL && item->number != 0;
}

int ListValueImpl::GetInt(int index) {
    const Item* item = At(index);
    return item && (item->type == VTYPE_INT || item->type == VTYPE_BOOL)
               ? static_cast<int>(item->number)
               : 0;
}

double ListValueImpl::GetDouble(int index) {
    const Item* item = At(index);
    return item && (item->type == VTYPE_DOUBLE || item->type == VTYPE_INT) ? item->number : 0;
}

CefString ListValueImpl::GetString(int index) {
    const Item* item = At(index);
    return item && item->type == VTYPE_STRING ? CefString(item->text) : CefString();
}

bool ListValueImpl::SetNull(int index) {
    return Set(index, Item());
}

bool ListValueImpl::SetBool(int index, bool value) {
    return Set(index, Item{VTYPE_BOOL, value ? 1.0 : 0.0, std::wstring()});
}

bool ListValueImpl::SetInt(int index, int value) {
    return Set(index, Item{VTYPE_INT, static_cast<double>(value), std::wstring()});
}

bool ListValueImpl::SetDouble(int index, double value) {
    return Set(index, Item{VTYPE_DOUBLE, value, std::wstring()});
}

bool ListValueImpl::SetString(int index, const CefString& value) {
    return Set(index, Item{VTYPE_STRING, 0, value.ToWString()});
}

RequestImpl::RequestImpl(const std::wstring& url, bool readOnly) : readOnly_(readOnly), url_(url) {
    static std::atomic<uint64> lastIdentifier{0};
    identifier_ = ++lastIdentifier;
}

void RequestImpl::SetURL(const CefString& url) {
    if (!readOnly_) {
        url_ = url.ToWString();
    }
}

void RequestImpl::SetMethod(const CefString& method) {
    if (!readOnly_) {
        method_ = method.ToWString();
    }
}

bool SchemeRegistrarImpl::AddCustomScheme(const CefString& scheme_name, bool, bool, bool) {
    static const std::set<std::wstring> kBuiltIn = {
        L"http",   L"https",           L"file", L"ftp", L"about", L"data", L"blob", L"javascript",
        L"chrome", L"chrome-devtools", L"ws",   L"wss"};
    const std::wstring scheme = Lower(scheme_name.ToWString());
    if (scheme.empty() || kBuiltIn.count(scheme)) {
        return false;
    }
    return schemes_.insert(scheme).second;
}

}  // namespace cefimpl

CefRefPtr<CefCommandLine> CefCommandLine::CreateCommandLine() {
    return new cefimpl::CommandLineImpl();
}

CefRefPtr<CefCommandLine> CefCommandLine::GetGlobalCommandLine() {
    return cefimpl::CommandLineImpl::FromProcess(true).get();
}

CefRefPtr<CefListValue> CefListValue::Create() {
    return new cefimpl::ListValueImpl();
}

CefRefPtr<CefRequest> CefRequest::Create() {
    return new cefimpl::RequestImpl(std::wstring(), false);
}
