// The libraries of secure transfers (crypt32, bcrypt), of the proxy look-up (winhttp) and of the
// save dialog (comdlg32) are loaded when one of their functions is first called, not when the
// program starts: none of them is needed for the first picture of the window.
//
// Every caller reaches an imported function through its import slot, `__imp__Name@bytes`. This
// file defines those slots itself, so the linker takes them from here rather than from the import
// libraries, and the libraries leave the program's import table. Each slot points at a forwarder
// that loads the library once, looks the function up and calls it.
#include <winsock2.h>
#include <windows.h>
#include <bcrypt.h>
#include <commdlg.h>
#include <wincrypt.h>
#include <winhttp.h>

#include <atomic>
#include <cwchar>

namespace {

struct DelayedImport {
    const wchar_t* library;
    const char* name;
    std::atomic<FARPROC> address{nullptr};
};

// A system library from the system folder only: never a file of that name beside the program or
// in the current folder.
HMODULE LoadSystemLibrary(const wchar_t* name) {
    wchar_t path[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(path, MAX_PATH);
    if (length == 0 || length + 1 + wcslen(name) >= MAX_PATH) {
        return nullptr;
    }
    wcscat(path, L"\\");
    wcscat(path, name);
    return LoadLibraryW(path);
}

// The function, loaded at its first call. A system library that cannot be loaded ends the program
// with the reason, as the loader would have done at start-up.
FARPROC Resolve(DelayedImport& import) {
    FARPROC address = import.address.load(std::memory_order_acquire);
    if (address) {
        return address;
    }
    const HMODULE module = LoadSystemLibrary(import.library);
    address = module ? GetProcAddress(module, import.name) : nullptr;
    if (!address) {
        FatalAppExitA(0, import.name);
    }
    import.address.store(address, std::memory_order_release);
    return address;
}

template <typename Function>
struct Forwarder;

template <typename Result, typename... Arguments>
struct Forwarder<Result(WINAPI*)(Arguments...)> {
    template <DelayedImport* Import>
    static Result WINAPI Call(Arguments... arguments) {
        using Function = Result(WINAPI*)(Arguments...);
        return reinterpret_cast<Function>(reinterpret_cast<void*>(Resolve(*Import)))(arguments...);
    }
    // The size of the arguments on the stack, which the slot's name carries after its '@'.
    static constexpr int kArgumentBytes = (0 + ... + ((sizeof(Arguments) + 3) / 4 * 4));
};

// The function a library holds, loaded at its first call.
template <typename Function, typename... Arguments>
auto CallDelayed(DelayedImport& import, Function*, Arguments... arguments) {
    return reinterpret_cast<Function*>(reinterpret_cast<void*>(Resolve(import)))(arguments...);
}

}  // namespace

#define TESSEL_DELAYED(library, function)                 \
    namespace {                                           \
    DelayedImport delayed_##function{library, #function}; \
    }

// One slot per function its header declares as imported: its library, its name and the size of
// its arguments, checked against the declaration.
#define TESSEL_DELAYED_IMPORT(library, function, bytes)                                     \
    TESSEL_DELAYED(library, function)                                                       \
    static_assert(Forwarder<decltype(&::function)>::kArgumentBytes == bytes,                \
                  "the slot's name must carry the size of " #function "'s arguments");      \
    extern "C" {                                                                            \
    decltype(&::function) delayed_slot_##function __asm__("__imp__" #function "@" #bytes) = \
        &Forwarder<decltype(&::function)>::Call<&delayed_##function>;                       \
    }

TESSEL_DELAYED_IMPORT(L"comdlg32.dll", GetSaveFileNameW, 4)

TESSEL_DELAYED_IMPORT(L"crypt32.dll", CertAddCertificateContextToStore, 16)
TESSEL_DELAYED_IMPORT(L"crypt32.dll", CertCloseStore, 8)
TESSEL_DELAYED_IMPORT(L"crypt32.dll", CertCreateCertificateChainEngine, 8)
TESSEL_DELAYED_IMPORT(L"crypt32.dll", CertEnumCertificatesInStore, 8)
TESSEL_DELAYED_IMPORT(L"crypt32.dll", CertFindCertificateInStore, 24)
TESSEL_DELAYED_IMPORT(L"crypt32.dll", CertFindExtension, 12)
TESSEL_DELAYED_IMPORT(L"crypt32.dll", CertFreeCertificateChain, 4)
TESSEL_DELAYED_IMPORT(L"crypt32.dll", CertFreeCertificateChainEngine, 4)
TESSEL_DELAYED_IMPORT(L"crypt32.dll", CertFreeCertificateContext, 4)
TESSEL_DELAYED_IMPORT(L"crypt32.dll", CertGetCertificateChain, 32)
TESSEL_DELAYED_IMPORT(L"crypt32.dll", CertGetNameStringA, 24)
TESSEL_DELAYED_IMPORT(L"crypt32.dll", CertOpenStore, 20)
TESSEL_DELAYED_IMPORT(L"crypt32.dll", CryptDecodeObjectEx, 32)
TESSEL_DELAYED_IMPORT(L"crypt32.dll", CryptQueryObject, 44)
TESSEL_DELAYED_IMPORT(L"crypt32.dll", CryptStringToBinaryA, 28)
TESSEL_DELAYED_IMPORT(L"crypt32.dll", PFXImportCertStore, 12)

// bcrypt.h and winhttp.h declare their functions as plain ones, called by name: they are defined
// here.
TESSEL_DELAYED(L"bcrypt.dll", BCryptGenRandom)
TESSEL_DELAYED(L"winhttp.dll", WinHttpCloseHandle)
TESSEL_DELAYED(L"winhttp.dll", WinHttpDetectAutoProxyConfigUrl)
TESSEL_DELAYED(L"winhttp.dll", WinHttpGetIEProxyConfigForCurrentUser)
TESSEL_DELAYED(L"winhttp.dll", WinHttpGetProxyForUrl)
TESSEL_DELAYED(L"winhttp.dll", WinHttpOpen)

extern "C" {

NTSTATUS WINAPI BCryptGenRandom(BCRYPT_ALG_HANDLE algorithm, PUCHAR buffer, ULONG size,
                                ULONG flags) {
    return CallDelayed(delayed_BCryptGenRandom, &BCryptGenRandom, algorithm, buffer, size, flags);
}

WINBOOL WINAPI WinHttpCloseHandle(HINTERNET handle) {
    return CallDelayed(delayed_WinHttpCloseHandle, &WinHttpCloseHandle, handle);
}

WINBOOL WINAPI WinHttpDetectAutoProxyConfigUrl(DWORD flags, LPWSTR* url) {
    return CallDelayed(delayed_WinHttpDetectAutoProxyConfigUrl, &WinHttpDetectAutoProxyConfigUrl,
                       flags, url);
}

WINBOOL WINAPI WinHttpGetIEProxyConfigForCurrentUser(WINHTTP_CURRENT_USER_IE_PROXY_CONFIG* config) {
    return CallDelayed(delayed_WinHttpGetIEProxyConfigForCurrentUser,
                       &WinHttpGetIEProxyConfigForCurrentUser, config);
}

WINBOOL WINAPI WinHttpGetProxyForUrl(HINTERNET session, LPCWSTR url,
                                     WINHTTP_AUTOPROXY_OPTIONS* options, WINHTTP_PROXY_INFO* info) {
    return CallDelayed(delayed_WinHttpGetProxyForUrl, &WinHttpGetProxyForUrl, session, url, options,
                       info);
}

HINTERNET WINAPI WinHttpOpen(LPCWSTR agent, DWORD access, LPCWSTR proxy, LPCWSTR bypass,
                             DWORD flags) {
    return CallDelayed(delayed_WinHttpOpen, &WinHttpOpen, agent, access, proxy, bypass, flags);
}

}  // extern "C"
