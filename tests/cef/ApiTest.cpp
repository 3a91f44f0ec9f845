#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

#include "CefTestSupport.h"
#include "PageDriver.h"
#include "include/cef_command_line.h"

namespace {

constexpr int kSubProcessExitCode = 17;

// Started again by ProcessRoles with a sub-process switch, this program acts as that sub-process
// before any test runs: the library must decline the process and have told the application
// which role it was.
class SubProcessApp : public CefApp {
public:
    void OnBeforeCommandLineProcessing(const CefString& process_type,
                                       CefRefPtr<CefCommandLine>) override {
        sawRendererRole = process_type == "renderer";
    }
    bool sawRendererRole = false;

private:
    IMPLEMENT_REFCOUNTING(SubProcessApp);
};

const int kRole = [] {
    if (!CefCommandLine::GetGlobalCommandLine()->HasSwitch("type")) {
        return 0;
    }
    CefRefPtr<SubProcessApp> app = new SubProcessApp();
    const int code = CefExecuteProcess(CefMainArgs(GetModuleHandleW(nullptr)), app.get(), nullptr);
    ExitProcess(code == 0 && app->sawRendererRole ? kSubProcessExitCode : 1);
}();

class Counted : public CefBase {
public:
    static std::atomic<int> destroyed;
    ~Counted() override { ++destroyed; }

private:
    IMPLEMENT_REFCOUNTING(Counted);
};
std::atomic<int> Counted::destroyed{0};

TEST(CefStringTest, ConvertsBetweenUtf8AndUtf16) {
    const std::string utf8 = u8"发票 invoice";
    const CefString text(utf8);
    EXPECT_EQ(L"发票 invoice", text.ToWString());
    EXPECT_EQ(10u, text.length());
    EXPECT_EQ(utf8, text.ToString());
    EXPECT_EQ(utf8, static_cast<std::string>(CefString(L"发票 invoice")));
    EXPECT_TRUE(CefString().empty());
    EXPECT_EQ(L"", CefString().ToWString());
    EXPECT_TRUE(CefString("a") < CefString("b"));
    EXPECT_EQ(CefString(L"same"), CefString("same"));
}

TEST(CefStringTest, WritesThroughToAttachedStructsAndStructsCopyTheirStrings) {
    CefSettings settings;
    settings.single_process = 1;
    CefString(&settings.locale) = "zh-CN";
    EXPECT_EQ(5u, settings.locale.length);

    CefSettings copy(settings);
    CefString(&settings.locale) = "en";
    EXPECT_EQ(L"zh-CN", CefString(&copy.locale).ToWString()) << "a deep copy";
    EXPECT_EQ(1, copy.single_process);
    EXPECT_NE(settings.locale.str, copy.locale.str);

    CefBrowserSettings browser;
    CefString(&browser.default_encoding) = "GBK";
    CefBrowserSettings browserCopy;
    browserCopy = browser;
    browser.Reset();
    EXPECT_EQ(L"GBK", CefString(&browserCopy.default_encoding).ToWString());
    EXPECT_EQ(0u, browser.default_encoding.length);
}

TEST(CefRefPtrTest, CountsReferencesFromManyThreadsAndDeletesOnce) {
    Counted::destroyed = 0;
    CefRefPtr<Counted> shared = new Counted();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([shared] {
            for (int i = 0; i < 20000; ++i) {
                CefRefPtr<Counted> copy = shared;
                CefRefPtr<CefBase> base = copy;
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_TRUE(shared->HasOneRef());
    shared = shared.get();
    EXPECT_EQ(0, Counted::destroyed.load()) << "assigning an object to itself keeps it";
    shared = nullptr;
    EXPECT_EQ(1, Counted::destroyed.load());
}

TEST(CefWindowInfoTest, ChildAndPopupFormsSetTheLibraryStyles) {
    CefWindowInfo child;
    const HWND parent = GetDesktopWindow();
    child.SetAsChild(parent, RECT{10, 20, 110, 70});
    EXPECT_EQ(0x56010000u, child.style);
    EXPECT_EQ(parent, child.parent_window);
    EXPECT_EQ(10, child.x);
    EXPECT_EQ(20, child.y);
    EXPECT_EQ(100, child.width);
    EXPECT_EQ(50, child.height);

    CefWindowInfo popup;
    popup.SetAsPopup(nullptr, "DevTools");
    EXPECT_EQ(0x16CF0000u, popup.style);
    EXPECT_EQ(CW_USEDEFAULT, popup.x);
    EXPECT_EQ(CW_USEDEFAULT, popup.height);
    const CefWindowInfo copy = popup;
    popup.SetAsPopup(nullptr, "other");
    EXPECT_EQ(L"DevTools", CefString(&copy.window_name).ToWString());
}

TEST(CefCommandLineTest, SplitsSwitchesAndArguments) {
    CefRefPtr<CefCommandLine> line = CefCommandLine::CreateCommandLine();
    line->InitFromString(
        L"C:\\app\\Tessel.exe --type=renderer -Lang=zh --flag arg \"two words\" -- --literal");
    EXPECT_EQ(L"C:\\app\\Tessel.exe", line->GetProgram().ToWString());
    EXPECT_EQ(L"renderer", line->GetSwitchValue("TYPE").ToWString()) << "names ignore case";
    EXPECT_EQ(L"zh", line->GetSwitchValue("lang").ToWString());
    EXPECT_TRUE(line->HasSwitch("flag"));
    EXPECT_FALSE(line->HasSwitch("literal"));
    CefCommandLine::ArgumentList arguments;
    line->GetArguments(arguments);
    ASSERT_EQ(3u, arguments.size());
    EXPECT_EQ(L"two words", arguments[1].ToWString());
    EXPECT_EQ(L"--literal", arguments[2].ToWString());

    CefRefPtr<CefCommandLine> again = CefCommandLine::CreateCommandLine();
    again->InitFromString(line->GetCommandLineString());
    EXPECT_EQ(L"renderer", again->GetSwitchValue("type").ToWString());
    EXPECT_EQ(L"C:\\app\\Tessel.exe", again->GetProgram().ToWString());

    CefRefPtr<CefCommandLine> global = CefCommandLine::GetGlobalCommandLine();
    EXPECT_TRUE(global->IsReadOnly());
    global->AppendSwitch("added");
    EXPECT_FALSE(global->HasSwitch("added"));
}

TEST(ProcessRolesTest, SubProcessSwitchMakesTheLibraryDeclineTheProcess) {
    EXPECT_EQ(-1, CefExecuteProcess(CefMainArgs(GetModuleHandleW(nullptr)), nullptr, nullptr))
        << "this process has no sub-process switch";

    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(self) + L"\" --type=renderer --gtest_list_tests";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &process));
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_EQ(static_cast<DWORD>(kSubProcessExitCode), code);
}

TEST(CefInitializeTest, RefusesSettingsTheStandInCannotHonour) {
    CefSettings settings;
    settings.single_process = 1;
    EXPECT_FALSE(CefInitialize(CefMainArgs(), settings, nullptr, nullptr))
        << "the program's own message loop is not offered";
    settings.multi_threaded_message_loop = 1;
    settings.single_process = 0;
    EXPECT_FALSE(CefInitialize(CefMainArgs(), settings, nullptr, nullptr))
        << "renderer sub-processes are not offered";
    EXPECT_FALSE(CefCurrentlyOn(TID_UI));
    EXPECT_FALSE(CefPostTask(TID_UI, nullptr));
}

// Runs `check` on the renderer thread inside the main frame's script context.
class V8Test : public ::testing::Test {
protected:
    void SetUp() override {
        app = new RecordingApp(log);
        client = new RecordingClient(log);
        ASSERT_TRUE(StartLibrary(app.get()));
        CefWindowInfo info;
        info.SetAsChild(parent.get(), RECT{0, 0, 100, 100});
        CefBrowserHost::CreateBrowser(info, client.get(), "about:blank", CefBrowserSettings(),
                                      nullptr);
        ASSERT_TRUE(cefdriver::WaitUntilIdle(20000));
        ASSERT_EQ(1u, client->BrowserIds().size());
        frame = client->Browser(client->BrowserIds()[0])->GetMainFrame();
    }

    void TearDown() override {
        frame = nullptr;
        CefShutdown();
        app->ForgetContexts();
        app = nullptr;
        client = nullptr;
        EXPECT_EQ(0, cefdriver::CountLiveObjects().total());
    }

    void InContext(const std::function<void()>& check) {
        class Check : public CefTask {
        public:
            Check(CefRefPtr<CefFrame> frame, std::function<void()> check, bool* ran)
                : frame_(frame), check_(check), ran_(ran) {}
            void Execute() override {
                CefRefPtr<CefV8Context> context = frame_->GetV8Context();
                ASSERT_TRUE(context && context->Enter());
                check_();
                context->Exit();
                *ran_ = true;
            }

        private:
            CefRefPtr<CefFrame> frame_;
            std::function<void()> check_;
            bool* ran_;
            IMPLEMENT_REFCOUNTING(Check);
        };
        bool ran = false;
        ASSERT_TRUE(CefPostTask(TID_RENDERER, new Check(frame, check, &ran)));
        ASSERT_TRUE(WaitFor([&] { return ran; }));
    }

    EventLog log;
    ParentWindow parent;
    CefRefPtr<RecordingApp> app;
    CefRefPtr<RecordingClient> client;
    CefRefPtr<CefFrame> frame;
};

TEST_F(V8Test, ValuesExistOnlyOnTheRendererThread) {
    EXPECT_EQ(nullptr, CefV8Value::CreateString("x").get());
    EXPECT_EQ(nullptr, frame->GetV8Context().get());
    EXPECT_FALSE(CefV8Context::InContext());
    InContext([] {
        EXPECT_TRUE(CefV8Context::InContext());
        EXPECT_NE(nullptr, CefV8Value::CreateObject().get());
    });
}

TEST_F(V8Test, NumbersFollowTheScriptEnginesRules) {
    InContext([] {
        CefRefPtr<CefV8Value> seven = CefV8Value::CreateInt(7);
        EXPECT_TRUE(seven->IsInt());
        EXPECT_TRUE(seven->IsUInt());
        EXPECT_TRUE(seven->IsDouble()) << "every number is a double";
        EXPECT_FALSE(CefV8Value::CreateInt(-1)->IsUInt());
        CefRefPtr<CefV8Value> half = CefV8Value::CreateDouble(0.5);
        EXPECT_FALSE(half->IsInt());
        EXPECT_EQ(0, half->GetIntValue());
        EXPECT_TRUE(CefV8Value::CreateDouble(3.0)->IsInt());
        EXPECT_EQ(4000000000u, CefV8Value::CreateUInt(4000000000u)->GetUIntValue());
        EXPECT_FALSE(CefV8Value::CreateUInt(4000000000u)->IsInt());
        EXPECT_TRUE(CefV8Value::CreateString("7")->IsString());
        EXPECT_FALSE(CefV8Value::CreateString("7")->IsDouble());
    });
}

TEST_F(V8Test, ObjectPropertiesHonourTheirAttributes) {
    InContext([] {
        CefRefPtr<CefV8Value> object = CefV8Value::CreateObject();
        const auto number = CefV8Value::CreateInt(1);
        EXPECT_TRUE(object->SetValue("plain", number, V8_PROPERTY_ATTRIBUTE_NONE));
        EXPECT_TRUE(object->SetValue("fixed", number, V8_PROPERTY_ATTRIBUTE_READONLY));
        EXPECT_TRUE(object->SetValue("hidden", number, V8_PROPERTY_ATTRIBUTE_DONTENUM));
        EXPECT_TRUE(object->SetValue("kept", number, V8_PROPERTY_ATTRIBUTE_DONTDELETE));
        EXPECT_FALSE(
            object->SetValue("fixed", CefV8Value::CreateInt(2), V8_PROPERTY_ATTRIBUTE_NONE));
        EXPECT_EQ(1, object->GetValue("fixed")->GetIntValue());
        std::vector<CefString> keys;
        object->GetKeys(keys);
        EXPECT_EQ(std::vector<CefString>({"plain", "fixed", "kept"}), keys);
        EXPECT_TRUE(object->HasValue("hidden"));
        EXPECT_FALSE(object->DeleteValue("kept"));
        EXPECT_TRUE(object->DeleteValue("plain"));
        EXPECT_FALSE(object->HasValue("plain"));
        EXPECT_TRUE(object->GetValue("missing")->IsUndefined());

        CefRefPtr<CefV8Value> array = CefV8Value::CreateArray(2);
        EXPECT_TRUE(array->IsArray());
        EXPECT_TRUE(array->IsObject());
        EXPECT_TRUE(array->SetValue(3, CefV8Value::CreateString("last")));
        EXPECT_EQ(4, array->GetArrayLength());
        EXPECT_EQ(L"last", array->GetValue(3)->GetStringValue().ToWString());
        EXPECT_FALSE(
            CefV8Value::CreateString("s")->SetValue("k", number, V8_PROPERTY_ATTRIBUTE_NONE));
    });
}

}  // namespace
