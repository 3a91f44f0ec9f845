#include <winsock2.h>
#include <windows.h>
#include <bcrypt.h>
#include <dbghelp.h>
#include <wincrypt.h>
#include <winhttp.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "TempFolder.h"

namespace {

const char* const kDelayed[] = {"bcrypt.dll", "comdlg32.dll", "crypt32.dll", "winhttp.dll"};

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The names of the libraries a program file imports, from its import directory.
std::set<std::string> ImportedLibraries(const std::wstring& path) {
    std::vector<char> image;
    if (FILE* file = _wfopen(path.c_str(), L"rb")) {
        char buffer[65536];
        for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
            image.insert(image.end(), buffer, buffer + got);
        }
        std::fclose(file);
    }
    std::set<std::string> names;
    if (image.empty()) {
        return names;
    }
    IMAGE_NT_HEADERS* headers = ImageNtHeader(image.data());
    ULONG size = 0;
    auto* entry = static_cast<IMAGE_IMPORT_DESCRIPTOR*>(
        ImageDirectoryEntryToData(image.data(), FALSE, IMAGE_DIRECTORY_ENTRY_IMPORT, &size));
    for (; headers && entry && entry->Name; ++entry) {
        const char* name =
            static_cast<const char*>(ImageRvaToVa(headers, image.data(), entry->Name, nullptr));
        if (name) {
            names.insert(Lower(name));
        }
    }
    return names;
}

bool Loaded(const char* library) {
    return GetModuleHandleA(library) != nullptr;
}

TEST(DelayedImports, TheProgramStartsWithoutTheLibrariesItNeedsOnlyLater) {
    const std::set<std::string> imported = ImportedLibraries(ExecutableFolder() + L"Tessel.exe");
    ASSERT_TRUE(imported.count("user32.dll")) << "the import directory of Tessel.exe was not read";
    for (const char* library : kDelayed) {
        EXPECT_EQ(0u, imported.count(library)) << "Tessel.exe still imports " << library;
    }
}

// This test program takes the same slots as the program: each library comes with its first call,
// and the calls do what the library's functions do.
TEST(DelayedImports, EachLibraryIsLoadedAtItsFirstCallAndAnswersAsItself) {
    for (const char* library : kDelayed) {
        ASSERT_FALSE(Loaded(library)) << library << " was loaded before any of its functions ran";
    }
    const HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr);
    ASSERT_NE(nullptr, store) << "CertOpenStore made no memory store";
    EXPECT_TRUE(Loaded("crypt32.dll")) << "crypt32 did not come with CertOpenStore";
    EXPECT_EQ(nullptr, CertEnumCertificatesInStore(store, nullptr)) << "a new store is empty";
    EXPECT_TRUE(CertCloseStore(store, 0)) << "CertCloseStore failed";

    unsigned char random[32] = {};
    EXPECT_EQ(0, BCryptGenRandom(nullptr, random, sizeof random, BCRYPT_USE_SYSTEM_PREFERRED_RNG))
        << "BCryptGenRandom failed";
    EXPECT_TRUE(std::any_of(std::begin(random), std::end(random), [](unsigned char b) {
        return b;
    })) << "32 random bytes were all zero";

    const HINTERNET session =
        WinHttpOpen(L"test", WINHTTP_ACCESS_TYPE_NO_PROXY, nullptr, nullptr, 0);
    ASSERT_NE(nullptr, session) << "WinHttpOpen failed";
    EXPECT_TRUE(WinHttpCloseHandle(session)) << "WinHttpCloseHandle failed";
    EXPECT_FALSE(Loaded("comdlg32.dll")) << "comdlg32 came without a save dialog";
}

}  // namespace
