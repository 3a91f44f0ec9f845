// Figures of the engine that drives a real Chromium, each beside its baseline from the same run:
// a native call from page script against a plain protocol round trip, a navigation to its load
// end and to its first picture on the screen, and the memory of the browser's processes.
// Usage: chromium_bench BASE_URL (the loopback test server, e.g. http://127.0.0.1:8000)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "PageDriver.h"
#include "include/cef_app.h"
#include "include/cef_client.h"
#include "include/cef_v8.h"

namespace {

double Now() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// The value below which `share` of the samples lie.
double Percentile(std::vector<double> samples, double share) {
    if (samples.empty()) {
        return 0;
    }
    std::sort(samples.begin(), samples.end());
    const size_t at = static_cast<size_t>(share * static_cast<double>(samples.size() - 1) + 0.5);
    return samples[std::min(at, samples.size() - 1)];
}

bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs) {
            return false;
        }
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(1);
    }
    return true;
}

// What page script reports through the native Report(text).
struct Reports {
    std::mutex mutex;
    std::vector<std::string> texts;
};
Reports reports;

class BenchFunctions : public CefV8Handler {
public:
    bool Execute(const CefString& name, CefRefPtr<CefV8Value>, const CefV8ValueList& arguments,
                 CefRefPtr<CefV8Value>&, CefString&) override {
        if (name == "Report" && !arguments.empty()) {
            std::lock_guard<std::mutex> lock(reports.mutex);
            reports.texts.push_back(arguments[0]->GetStringValue().ToString());
        }
        return true;
    }

private:
    IMPLEMENT_REFCOUNTING(BenchFunctions);
};

class BenchApp : public CefApp, public CefRenderProcessHandler {
public:
    CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() override { return this; }
    void OnContextCreated(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>,
                          CefRefPtr<CefV8Context> context) override {
        CefRefPtr<CefV8Handler> functions = new BenchFunctions();
        for (const char* name : {"Nothing", "Report"}) {
            context->GetGlobal()->SetValue(name, CefV8Value::CreateFunction(name, functions),
                                           V8_PROPERTY_ATTRIBUTE_NONE);
        }
    }

private:
    IMPLEMENT_REFCOUNTING(BenchApp);
};

// Keeps the browser and the time each main-frame load ended.
class BenchClient : public CefClient, public CefLifeSpanHandler, public CefLoadHandler {
public:
    CefRefPtr<CefLifeSpanHandler> GetLifeSpanHandler() override { return this; }
    CefRefPtr<CefLoadHandler> GetLoadHandler() override { return this; }
    void OnAfterCreated(CefRefPtr<CefBrowser> browser) override {
        std::lock_guard<std::mutex> lock(mutex_);
        browser_ = browser;
    }
    void OnBeforeClose(CefRefPtr<CefBrowser>) override {
        std::lock_guard<std::mutex> lock(mutex_);
        browser_ = nullptr;
    }
    void OnLoadEnd(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame> frame, int) override {
        if (frame->IsMain()) {
            std::lock_guard<std::mutex> lock(mutex_);
            lastLoadEnd_ = Now();
            loadEnds_++;
        }
    }
    CefRefPtr<CefBrowser> browser() {
        std::lock_guard<std::mutex> lock(mutex_);
        return browser_;
    }
    int loadEnds() {
        std::lock_guard<std::mutex> lock(mutex_);
        return loadEnds_;
    }
    double lastLoadEnd() {
        std::lock_guard<std::mutex> lock(mutex_);
        return lastLoadEnd_;
    }

private:
    std::mutex mutex_;
    CefRefPtr<CefBrowser> browser_;
    int loadEnds_ = 0;
    double lastLoadEnd_ = 0;
    IMPLEMENT_REFCOUNTING(BenchClient);
};

// Whether the browser window shows red at a point, as it paints itself.
bool ShowsRed(HWND view, int x, int y) {
    RECT client;
    GetClientRect(view, &client);
    const HDC screen = GetDC(nullptr);
    const HDC memory = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
    ReleaseDC(nullptr, screen);
    const HGDIOBJ old = SelectObject(memory, bitmap);
    SendMessageW(view, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT);
    const COLORREF colour = GetPixel(memory, x, y);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    return GetRValue(colour) > 200 && GetGValue(colour) < 60 && GetBValue(colour) < 60;
}

struct Navigation {
    double loadEnd = 0;
    double painted = 0;
};

// Loads the red-block page after a white one; milliseconds from LoadURL to the load end and to the
// block's first appearance in the window.
bool MeasureNavigation(BenchClient& client, const std::string& base, Navigation& result) {
    CefRefPtr<CefBrowser> browser = client.browser();
    const HWND view = browser->GetHost()->GetWindowHandle();
    int ends = client.loadEnds();
    browser->GetMainFrame()->LoadURL(base + "/echo?text=white");
    if (!WaitFor([&] { return client.loadEnds() > ends && !ShowsRed(view, 100, 100); }, 30000)) {
        return false;
    }
    ends = client.loadEnds();
    const double start = Now();
    browser->GetMainFrame()->LoadURL(base + "/block");
    double painted = 0;
    const bool done = WaitFor(
        [&] {
            if (!painted && ShowsRed(view, 100, 100)) {
                painted = Now();
            }
            return painted && client.loadEnds() > ends;
        },
        30000);
    result.loadEnd = client.lastLoadEnd() - start;
    result.painted = painted - start;
    return done;
}

// The profile folder of this process's browser.
bool BrowserProfile(std::wstring& profile) {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    const std::wstring pattern =
        L"tessel-chromium-" + std::to_wstring(GetCurrentProcessId()) + L"-*";
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((std::wstring(temp) + pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return false;
    }
    FindClose(search);
    profile = found.cFileName;
    return true;
}

std::string ReadWhole(const std::wstring& path) {
    std::string text;
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (!file) {
        return text;
    }
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        text.append(buffer, got);
    }
    std::fclose(file);
    return text;
}

long FieldKb(const std::string& text, const std::string& field) {
    const size_t at = text.find(field);
    return at == std::string::npos ? 0 : std::strtol(text.c_str() + at + field.size(), nullptr, 10);
}

// What a process of the browser does: its --type, the browser itself, or the guard beside it.
std::string ProcessKind(const std::string& commandLine) {
    const size_t at = commandLine.find("--type=");
    if (at == std::string::npos) {
        return commandLine.find("chromium") == 0 ||
                       commandLine.find("/chromium") != std::string::npos
                   ? "browser"
                   : "guard";
    }
    const size_t end = commandLine.find_first_of(std::string(" \0", 2), at);
    return commandLine.substr(at + 7, end == std::string::npos ? end : end - at - 7);
}

// Resident and proportional memory, in KiB, of the Linux processes whose command line names the
// profile folder (the browser runs beside Wine, so its processes are seen through Z:\proc), and
// the proportional memory by kind of process.
bool BrowserMemory(const std::wstring& profile, long& rss, long& pss, int& processes,
                   std::map<std::string, long>& byKind) {
    rss = pss = 0;
    processes = 0;
    const std::string name(profile.begin(), profile.end());
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW(L"Z:\\proc\\*", &found);
    if (search == INVALID_HANDLE_VALUE) {
        return false;
    }
    do {
        if (!iswdigit(found.cFileName[0])) {
            continue;
        }
        const std::wstring folder = std::wstring(L"Z:\\proc\\") + found.cFileName;
        const std::string commandLine = ReadWhole(folder + L"\\cmdline");
        if (commandLine.find(name) == std::string::npos) {
            continue;
        }
        rss += FieldKb(ReadWhole(folder + L"\\status"), "VmRSS:");
        const long own = FieldKb(ReadWhole(folder + L"\\smaps_rollup"), "Pss:");
        pss += own;
        byKind[ProcessKind(commandLine)] += own;
        ++processes;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return processes > 0;
}

LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, message, wParam, lParam);
}

int Run(const std::string& base) {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = ParentProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"ChromiumBenchParent";
    RegisterClassW(&windowClass);
    const HWND parent =
        CreateWindowExW(0, L"ChromiumBenchParent", L"bench", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480,
                        nullptr, nullptr, windowClass.hInstance, nullptr);
    CefRefPtr<BenchClient> client = new BenchClient();
    CefWindowInfo window;
    window.SetAsChild(parent, RECT{0, 0, 400, 300});
    CefBrowserHost::CreateBrowser(window, client.get(), base + "/echo?text=white",
                                  CefBrowserSettings(), nullptr);
    if (!WaitFor([&] { return client->loadEnds() > 0; }, 60000)) {
        std::fprintf(stderr, "the first page did not load\n");
        return 1;
    }

    std::vector<double> loadEnds, paints;
    for (int i = 0; i < 10; ++i) {
        Navigation navigation;
        if (!MeasureNavigation(*client, base, navigation)) {
            std::fprintf(stderr, "navigation %d did not end\n", i);
            return 1;
        }
        loadEnds.push_back(navigation.loadEnd);
        paints.push_back(navigation.painted);
    }

    const int calls = 1000;
    client->browser()->GetMainFrame()->LoadURL(base + "/calls?n=" + std::to_string(calls));
    if (!WaitFor([] { return !reports.texts.empty(); }, 120000)) {
        std::fprintf(stderr, "the page's calls did not report\n");
        return 1;
    }
    std::vector<double> native;
    for (const char* at = reports.texts[0].c_str(); *at;) {
        char* end = nullptr;
        native.push_back(std::strtod(at, &end));
        at = *end == ',' ? end + 1 : end;
    }
    const std::vector<double> evaluate =
        cefdriver::ProtocolRoundTrips(client->browser()->GetIdentifier(), calls);
    if (evaluate.empty()) {
        std::fprintf(stderr, "no protocol round trip could be measured\n");
        return 1;
    }

    std::wstring profile;
    long rss = 0, pss = 0;
    int processes = 0;
    std::map<std::string, long> byKind;
    const bool memory =
        BrowserProfile(profile) && BrowserMemory(profile, rss, pss, processes, byKind);

    std::printf("native call from page script, %d calls: median %.2f ms, p99 %.2f ms\n",
                static_cast<int>(native.size()), Percentile(native, 0.5), Percentile(native, 0.99));
    std::printf("Runtime.evaluate round trip, %d calls:  median %.2f ms, p99 %.2f ms\n",
                static_cast<int>(evaluate.size()), Percentile(evaluate, 0.5),
                Percentile(evaluate, 0.99));
    std::printf("ratio native call/Runtime.evaluate (median): %.2f\n",
                Percentile(native, 0.5) / Percentile(evaluate, 0.5));
    std::printf("navigation to load end, median of 10:     %.0f ms\n", Percentile(loadEnds, 0.5));
    std::printf("navigation to first paint, median of 10:  %.0f ms\n", Percentile(paints, 0.5));
    std::printf("ratio first paint/load end (median): %.2f\n",
                Percentile(paints, 0.5) / Percentile(loadEnds, 0.5));
    if (memory) {
        std::printf("browser memory, one page open: %d processes, RSS %.0f MiB, PSS %.0f MiB\n",
                    processes, rss / 1024.0, pss / 1024.0);
        std::printf("  PSS by kind of process:");
        for (const auto& kind : byKind) {
            std::printf(" %s %.0f MiB", kind.first.c_str(), kind.second / 1024.0);
        }
        std::printf("\n");
    } else {
        std::printf("browser memory: not measurable here\n");
    }
    client->browser()->GetHost()->CloseBrowser(true);
    WaitFor([&] { return !client->browser(); }, 20000);
    DestroyWindow(parent);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: chromium_bench BASE_URL\n");
        return 2;
    }
    SetEnvironmentVariableW(L"TESSEL_BROWSER", L"chromium");
    CefRefPtr<BenchApp> app = new BenchApp();
    CefSettings settings;
    settings.single_process = 1;
    settings.no_sandbox = 1;
    settings.multi_threaded_message_loop = 1;
    if (!CefInitialize(CefMainArgs(GetModuleHandleW(nullptr)), settings, app.get(), nullptr)) {
        std::fprintf(stderr, "the real engine did not start\n");
        return 1;
    }
    const int result = Run(argv[1]);
    CefShutdown();
    return result;
}
