#include "ChromiumProcess.h"

#include <shellapi.h>
#include <winhttp.h>

#include <cstdio>
#include <cwctype>

#include "PipeChannel.h"
#include "Text.h"
#include "WebSocket.h"

namespace cefimpl {

namespace {

constexpr DWORD kPortWaitMs = 60000;
constexpr DWORD kPollMs = 50;
constexpr DWORD kGuardWaitMs = 15000;

// Runs the browser with its DevTools on a pair of pipes in the private profile folder, which it
// names cdp-in and cdp-out only once the browser holds both ends, and holds them itself while it
// runs (so that opening them never waits, even for a browser that ends at once); ends the browser
// when this process stops beating (it went, however it went) and removes the profile folder once
// the browser has ended.
constexpr char kGuardScript[] =
    "profile=$1\n"
    "shift\n"
    "umask 077\n"
    "chmod 700 \"$profile\" || { rm -rf \"$profile\"; exit 1; }\n"
    "mkfifo \"$profile/cdp-in.new\" \"$profile/cdp-out.new\" || { rm -rf \"$profile\"; exit 1; }\n"
    "exec 3<>\"$profile/cdp-in.new\" 4<>\"$profile/cdp-out.new\"\n"
    "\"$@\" </dev/null >/dev/null 2>&1 &\n"
    "browser=$!\n"
    "mv \"$profile/cdp-in.new\" \"$profile/cdp-in\"\n"
    "mv \"$profile/cdp-out.new\" \"$profile/cdp-out\"\n"
    "while [ -e /proc/$browser ] && ! grep -q '^State:.*Z' /proc/$browser/status; do\n"
    "  beat=$(stat -c %Y \"$profile/alive\" 2>/dev/null || echo 0)\n"
    "  if [ $(( $(date +%s) - beat )) -gt 30 ]; then\n"
    "    kill -TERM $browser 2>/dev/null; sleep 5; kill -KILL $browser 2>/dev/null\n"
    "  fi\n"
    "  sleep 1\n"
    "done\n"
    "wait $browser\n"
    "rm -rf \"$profile\"\n";

// How often this process tells the guard it is still alive.
constexpr DWORD kHeartbeatMs = 2000;

using UnixNameFunction = char*(CDECL*)(LPCWSTR);
using DosNameFunction = WCHAR*(CDECL*)(LPCSTR);

// Wine's path conversions; null on Windows.
UnixNameFunction UnixNameOf() {
    return reinterpret_cast<UnixNameFunction>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
}

std::string UnixPath(const std::wstring& dosPath) {
    const UnixNameFunction convert = UnixNameOf();
    char* unix = convert ? convert(dosPath.c_str()) : nullptr;
    if (!unix) {
        return std::string();
    }
    std::string path = unix;
    HeapFree(GetProcessHeap(), 0, unix);
    return path;
}

std::wstring DosPath(const std::string& unixPath) {
    const auto convert = reinterpret_cast<DosNameFunction>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
    WCHAR* dos = convert ? convert(unixPath.c_str()) : nullptr;
    if (!dos) {
        return std::wstring();
    }
    std::wstring path = dos;
    HeapFree(GetProcessHeap(), 0, dos);
    return path;
}

std::wstring Environment(const wchar_t* name) {
    wchar_t buffer[32768];
    const DWORD length = GetEnvironmentVariableW(name, buffer, 32768);
    return length > 0 && length < 32768 ? std::wstring(buffer, length) : std::wstring();
}

// The text of a string the system allocated for us, which is freed.
std::wstring TakeText(LPWSTR text) {
    if (!text) {
        return std::wstring();
    }
    std::wstring taken = text;
    GlobalFree(text);
    return taken;
}

bool IsFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Whether a folder entry of that name exists, of whatever kind (a pipe has no file attributes
// under Wine).
bool Exists(const std::wstring& path) {
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW(path.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return false;
    }
    FindClose(search);
    return true;
}

bool EndsWithExe(const std::wstring& path) {
    if (path.size() < 4) {
        return false;
    }
    std::wstring tail = path.substr(path.size() - 4);
    for (auto& c : tail) {
        c = static_cast<wchar_t>(std::towlower(c));
    }
    return tail == L".exe";
}

// A browser to run: a Windows program, or (under Wine) a Linux one given by its Unix path.
struct BrowserLocation {
    std::wstring windowsExecutable;
    std::string unixExecutable;
};

bool Locate(const std::wstring& candidate, BrowserLocation& location) {
    if (candidate.empty()) {
        return false;
    }
    if (candidate[0] == L'/') {
        const std::wstring dos = DosPath(WideToUtf8(candidate));
        if (dos.empty() || !IsFile(dos)) {
            return false;
        }
        location.unixExecutable = WideToUtf8(candidate);
        return true;
    }
    if (!IsFile(candidate)) {
        return false;
    }
    if (EndsWithExe(candidate) || !UnixNameOf()) {
        location.windowsExecutable = candidate;
        return true;
    }
    location.unixExecutable = UnixPath(candidate);
    return !location.unixExecutable.empty();
}

bool FindBrowser(BrowserLocation& location, std::wstring& error) {
    const std::wstring chosen = Environment(L"TESSEL_CHROMIUM");
    if (!chosen.empty()) {
        if (Locate(chosen, location)) {
            return true;
        }
        error = L"TESSEL_CHROMIUM names no browser program: " + chosen;
        return false;
    }
    std::vector<std::wstring> candidates;
    if (UnixNameOf()) {
        for (const wchar_t* path : {L"/usr/bin/chromium", L"/usr/bin/chromium-browser",
                                    L"/usr/bin/google-chrome", L"/usr/bin/google-chrome-stable"}) {
            candidates.push_back(path);
        }
    }
    for (const wchar_t* root : {L"ProgramFiles", L"ProgramFiles(x86)", L"LocalAppData"}) {
        const std::wstring base = Environment(root);
        if (base.empty()) {
            continue;
        }
        for (const wchar_t* relative :
             {L"\\Google\\Chrome\\Application\\chrome.exe", L"\\Chromium\\Application\\chrome.exe",
              L"\\Microsoft\\Edge\\Application\\msedge.exe"}) {
            candidates.push_back(base + relative);
        }
    }
    for (const wchar_t* name : {L"chrome.exe", L"chromium.exe", L"msedge.exe"}) {
        wchar_t found[MAX_PATH];
        if (SearchPathW(nullptr, name, nullptr, MAX_PATH, found, nullptr)) {
            candidates.push_back(found);
        }
    }
    for (const auto& candidate : candidates) {
        if (Locate(candidate, location)) {
            return true;
        }
    }
    error = L"no Chromium-based browser found (set TESSEL_CHROMIUM to its program)";
    return false;
}

std::wstring CommandLine(const std::vector<std::wstring>& arguments) {
    std::wstring line;
    for (const auto& argument : arguments) {
        if (!line.empty()) {
            line += L' ';
        }
        line += QuoteArgument(argument);
    }
    return line;
}

void RemoveTree(const std::wstring& folder) {
    // SHFileOperation wants a list ending in two zeros.
    std::wstring from = folder;
    from.push_back(L'\0');
    SHFILEOPSTRUCTW operation = {};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_NO_UI;
    SHFileOperationW(&operation);
}

void CloseHandleOnce(HANDLE& handle) {
    if (handle) {
        CloseHandle(handle);
        handle = nullptr;
    }
}

}  // namespace

std::wstring QuoteArgument(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        return argument;
    }
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes are literal unless a quote follows them.
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    quoted += L'"';
    return quoted;
}

bool ParseActivePort(const std::string& text, unsigned short& port, std::string& path) {
    const size_t newline = text.find('\n');
    if (newline == std::string::npos) {
        return false;
    }
    const std::string number = text.substr(0, newline);
    if (number.empty() || number.size() > 5 ||
        number.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    const unsigned long value = std::stoul(number);
    std::string rest = text.substr(newline + 1);
    while (!rest.empty() && (rest.back() == '\n' || rest.back() == '\r')) {
        rest.pop_back();
    }
    if (value == 0 || value > 65535 || rest.empty() || rest[0] != '/') {
        return false;
    }
    port = static_cast<unsigned short>(value);
    path = rest;
    return true;
}

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    c = static_cast<char>(c | 0x20);
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

std::string PercentDecoded(const std::string& text) {
    std::string decoded;
    for (size_t i = 0; i < text.size(); ++i) {
        const int high = i + 2 < text.size() && text[i] == '%' ? HexDigit(text[i + 1]) : -1;
        const int low = high >= 0 ? HexDigit(text[i + 2]) : -1;
        if (low >= 0) {
            decoded += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

// One entry of proxy rules without its user information, which goes to `credentials` unless
// they hold some already.
std::string EntryWithoutCredentials(const std::string& entry, ProxyCredentials& credentials) {
    const size_t scheme = entry.find("://");
    const size_t equals = entry.find('=');
    size_t start = 0;
    if (scheme != std::string::npos) {
        start = scheme + 3;
    } else if (equals != std::string::npos) {
        start = equals + 1;
    }
    // A host has no '@': the last one ends the user information, whatever the password holds.
    const size_t at = entry.rfind('@');
    if (at == std::string::npos || at < start) {
        return entry;
    }
    const std::string userInfo = entry.substr(start, at - start);
    if (credentials.empty()) {
        const size_t colon = userInfo.find(':');
        credentials.user = PercentDecoded(userInfo.substr(0, colon));
        credentials.password =
            colon == std::string::npos ? std::string() : PercentDecoded(userInfo.substr(colon + 1));
    }
    return entry.substr(0, start) + entry.substr(at + 1);
}

}  // namespace

std::wstring WithoutCredentials(const std::wstring& proxy, ProxyCredentials& credentials) {
    const std::string rules = WideToUtf8(proxy);
    // One URL, unless a "scheme=" comes before any "://": then entries between semicolons.
    const size_t equals = rules.find('=');
    if (equals == std::string::npos || rules.find("://") < equals) {
        return Utf8ToWide(EntryWithoutCredentials(rules, credentials));
    }
    std::string clean;
    size_t start = 0;
    for (;;) {
        const size_t end = rules.find(';', start);
        clean += EntryWithoutCredentials(rules.substr(start, end - start), credentials);
        if (end == std::string::npos) {
            break;
        }
        clean += ';';
        start = end + 1;
    }
    return Utf8ToWide(clean);
}

std::vector<std::wstring> SystemProxySwitches() {
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config = {};
    if (!WinHttpGetIEProxyConfigForCurrentUser(&config)) {
        return {};
    }
    const std::wstring script = TakeText(config.lpszAutoConfigUrl);
    const std::wstring proxy = TakeText(config.lpszProxy);
    const std::wstring bypass = TakeText(config.lpszProxyBypass);
    if (!script.empty()) {
        return {L"--proxy-pac-url=" + script};
    }
    // Detection is done here, once, as the system does it, rather than by the browser's own
    // lookups; what it finds is a configuration script like a named one.
    LPWSTR detected = nullptr;
    if (config.fAutoDetect &&
        WinHttpDetectAutoProxyConfigUrl(
            WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A, &detected)) {
        return {L"--proxy-pac-url=" + TakeText(detected)};
    }
    if (proxy.empty()) {
        return {};
    }
    std::vector<std::wstring> switches = {L"--proxy-server=" + proxy};
    if (!bypass.empty()) {
        switches.push_back(L"--proxy-bypass-list=" + bypass);
    }
    return switches;
}

bool ChromiumProcess::Start(const std::wstring& language, std::wstring& error) {
    language_ = language;
    BrowserLocation location;
    if (!FindBrowser(location, error)) {
        return false;
    }

    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    profile_ = std::wstring(temp) + L"tessel-chromium-" + std::to_wstring(GetCurrentProcessId()) +
               L"-" + std::to_wstring(GetTickCount());
    if (!CreateDirectoryW(profile_.c_str(), nullptr) ||
        !CreateDirectoryW(downloadFolder().c_str(), nullptr)) {
        error = L"cannot create the browser's profile folder " + profile_;
        return false;
    }
    const bool launched = location.unixExecutable.empty()
                              ? Launch(location.windowsExecutable, error)
                              : LaunchUnderGuard(Utf8ToWide(location.unixExecutable), error);
    if (!launched || !WaitForEndpoint(error)) {
        Stop(0);
        return false;
    }
    return true;
}

std::vector<std::wstring> ChromiumProcess::Arguments() {
    const std::wstring profile = guarded_ ? Utf8ToWide(unixProfile_) : profile_;
    std::vector<std::wstring> arguments = {
        L"--headless", L"--no-sandbox", L"--disable-gpu", L"--no-first-run",
        L"--disable-background-networking", L"--disable-component-update", L"--disable-sync",
        L"--disable-quic", L"--user-data-dir=" + profile,
        // Under the guard the browser talks over pipes only it and this process hold; no port.
        guarded_ ? L"--remote-debugging-pipe" : L"--remote-debugging-port=0",
        // Every frame of a page stays in the page's own target, so one session sees them all
        // (sandboxed frames too); and a page that goes back in its history loads its document
        // again, with its load events and a context for it, as an embedded browser does, rather
        // than taking it from the back/forward cache without either.
        // No process the program never shows a page in either: no spare renderer kept warm, no
        // pages of the browser's own address-bar pop-ups, no extensions, and the (software)
        // GPU work in the browser process.
        L"--disable-features=IsolateOrigins,site-per-process,IsolateSandboxedIframes,"
        L"BackForwardCache,SpareRendererForSitePerProcess,WebUIOmniboxPopup,WebUIOmniboxAimPopup",
        L"--disable-extensions", L"--in-process-gpu",
        // Every window.open reaches the application's decision, as with an embedded browser.
        L"--disable-popup-blocking", L"--force-device-scale-factor=1"};
    std::wstring lang = language_;
    wchar_t system[LOCALE_NAME_MAX_LENGTH] = {};
    if (lang.empty() && GetUserDefaultLocaleName(system, LOCALE_NAME_MAX_LENGTH) > 0) {
        lang = system;
    }
    if (!lang.empty()) {
        // The headless browser takes navigator.language and Accept-Language from the second.
        arguments.push_back(L"--lang=" + lang);
        arguments.push_back(L"--accept-lang=" + lang);
    }
    std::wstring proxy = Environment(L"http_proxy");
    if (proxy.empty()) {
        proxy = Environment(L"HTTP_PROXY");
    }
    proxyCredentials_ = ProxyCredentials();
    if (!proxy.empty()) {
        arguments.push_back(L"--proxy-server=" + WithoutCredentials(proxy, proxyCredentials_));
        std::wstring bypass = Environment(L"no_proxy");
        if (bypass.empty()) {
            bypass = Environment(L"NO_PROXY");
        }
        if (!bypass.empty()) {
            arguments.push_back(L"--proxy-bypass-list=" + bypass);
        }
    } else {
        const std::wstring server = L"--proxy-server=";
        for (auto& proxySwitch : SystemProxySwitches()) {
            if (proxySwitch.compare(0, server.size(), server) == 0) {
                proxySwitch = server + WithoutCredentials(proxySwitch.substr(server.size()),
                                                          proxyCredentials_);
            }
            arguments.push_back(proxySwitch);
        }
    }
    arguments.push_back(L"about:blank");
    return arguments;
}

bool ChromiumProcess::Launch(const std::wstring& executable, std::wstring& error) {
    job_ = CreateJobObjectW(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (job_) {
        SetInformationJobObject(job_, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    }
    std::vector<std::wstring> arguments = Arguments();
    arguments.insert(arguments.begin(), executable);
    std::wstring line = CommandLine(arguments);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(executable.c_str(), &line[0], nullptr, nullptr, FALSE,
                        CREATE_SUSPENDED | CREATE_NO_WINDOW, nullptr, nullptr, &startup, &info)) {
        error =
            L"cannot start " + executable + L" (error " + std::to_wstring(GetLastError()) + L")";
        return false;
    }
    if (job_) {
        AssignProcessToJobObject(job_, info.hProcess);
    }
    ResumeThread(info.hThread);
    launched_ = true;
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    return true;
}

bool ChromiumProcess::LaunchUnderGuard(const std::wstring& unixExecutable, std::wstring& error) {
    unixProfile_ = UnixPath(profile_);
    const std::wstring script = profile_ + L"\\guard.sh";
    std::FILE* file = _wfopen(script.c_str(), L"wb");
    if (unixProfile_.empty() || !file) {
        if (file) {
            std::fclose(file);
        }
        error = L"cannot write the browser's guard script in " + profile_;
        return false;
    }
    std::fputs(kGuardScript, file);
    std::fclose(file);
    guarded_ = true;

    Beat();
    heartbeatStop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    heartbeat_ = std::thread([this] {
        while (WaitForSingleObject(heartbeatStop_, kHeartbeatMs) == WAIT_TIMEOUT) {
            Beat();
        }
    });
    std::vector<std::wstring> arguments = {L"sh", Utf8ToWide(UnixPath(script)),
                                           Utf8ToWide(unixProfile_), unixExecutable};
    for (const auto& argument : Arguments()) {
        arguments.push_back(argument);
    }
    std::wstring line = CommandLine(arguments);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    const std::wstring shell = DosPath("/bin/sh");
    const BOOL started = CreateProcessW(shell.c_str(), &line[0], nullptr, nullptr, FALSE,
                                        CREATE_NO_WINDOW, nullptr, nullptr, &startup, &info);
    if (!started) {
        error = L"cannot start " + unixExecutable + L" through /bin/sh (error " +
                std::to_wstring(GetLastError()) + L")";
        return false;
    }
    launched_ = true;
    // Wine gives no handle for a Linux process: its profile folder tells when it has gone.
    CloseHandleOnce(info.hThread);
    CloseHandleOnce(info.hProcess);
    return true;
}

bool ChromiumProcess::WaitForEndpoint(std::wstring& error) {
    const std::wstring file = profile_ + (guarded_ ? L"\\cdp-out" : L"\\DevToolsActivePort");
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < kPortWaitMs) {
        if (Ended()) {
            error = L"the browser ended at start";
            return false;
        }
        if (guarded_ && Exists(file)) {
            return true;
        }
        if (std::FILE* input = guarded_ ? nullptr : _wfopen(file.c_str(), L"rb")) {
            char buffer[512] = {};
            const size_t length = std::fread(buffer, 1, sizeof buffer - 1, input);
            std::fclose(input);
            if (ParseActivePort(std::string(buffer, length), port_, browserPath_)) {
                return true;
            }
        }
        Sleep(kPollMs);
    }
    error = L"the browser did not open its DevTools within " + std::to_wstring(kPortWaitMs / 1000) +
            L" s";
    return false;
}

std::shared_ptr<MessageChannel> ChromiumProcess::OpenChannel(std::string& error) const {
    if (!guarded_) {
        auto socket = std::make_shared<WebSocketClient>();
        if (!socket->Connect("127.0.0.1", port_, browserPath_, error)) {
            return nullptr;
        }
        return socket;
    }
    const HANDLE toBrowser =
        CreateFileW((profile_ + L"\\cdp-in").c_str(), GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    const HANDLE fromBrowser = CreateFileW((profile_ + L"\\cdp-out").c_str(), GENERIC_READ,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                           OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (toBrowser == INVALID_HANDLE_VALUE || fromBrowser == INVALID_HANDLE_VALUE) {
        error = "cannot open the browser's DevTools pipes (error " +
                std::to_string(GetLastError()) + ")";
        for (HANDLE pipe : {toBrowser, fromBrowser}) {
            if (pipe != INVALID_HANDLE_VALUE) {
                CloseHandle(pipe);
            }
        }
        return nullptr;
    }
    return std::make_shared<PipeChannel>(toBrowser, fromBrowser);
}

std::string ChromiumProcess::browserDownloadFolder() const {
    return guarded_ ? unixProfile_ + "/downloads" : WideToUtf8(downloadFolder());
}

bool ChromiumProcess::Ended() const {
    if (process_) {
        return WaitForSingleObject(process_, 0) == WAIT_OBJECT_0;
    }
    // The guard removes the profile, its own script first or last, once the browser has ended.
    return guarded_ && !IsFile(profile_ + L"\\guard.sh");
}

bool ChromiumProcess::WaitUntilGone(DWORD timeoutMs) const {
    const DWORD start = GetTickCount();
    for (;;) {
        const bool gone = process_
                              ? WaitForSingleObject(process_, 0) == WAIT_OBJECT_0
                              : GetFileAttributesW(profile_.c_str()) == INVALID_FILE_ATTRIBUTES;
        if (gone) {
            return true;
        }
        if (GetTickCount() - start >= timeoutMs) {
            return false;
        }
        Sleep(kPollMs);
    }
}

void ChromiumProcess::Beat() {
    const HANDLE file = CreateFileW((profile_ + L"\\alive").c_str(), GENERIC_WRITE, 0, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
    }
}

void ChromiumProcess::StopHeartbeat() {
    if (heartbeatStop_) {
        SetEvent(heartbeatStop_);
    }
    if (heartbeat_.joinable()) {
        heartbeat_.join();
    }
    CloseHandleOnce(heartbeatStop_);
}

void ChromiumProcess::Stop(DWORD graceMs) {
    if (profile_.empty()) {
        return;
    }
    // The heartbeat stops first: a beat during the guard's removal of the profile would leave the
    // folder behind, and the wait below for its removal would run to its end.
    StopHeartbeat();
    if (launched_ && !WaitUntilGone(graceMs)) {
        if (job_) {
            TerminateJobObject(job_, 1);
        }
        // Without its heartbeat file the guard ends the browser at once.
        DeleteFileW((profile_ + L"\\alive").c_str());
        WaitUntilGone(kGuardWaitMs);
    }
    CloseHandleOnce(process_);
    CloseHandleOnce(job_);
    if (GetFileAttributesW(profile_.c_str()) != INVALID_FILE_ATTRIBUTES) {
        RemoveTree(profile_);
    }
    profile_.clear();
    launched_ = false;
    port_ = 0;
}

}  // namespace cefimpl
