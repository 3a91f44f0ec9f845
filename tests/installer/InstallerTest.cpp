#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <cwchar>

#include <string>
#include <vector>

#include "Processes.h"
#include "ShellFolderRedirect.h"
#include "TempFolder.h"
#include "VisibleWindows.h"

namespace {

const wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tessel";
const wchar_t kVersion[] = L"" TESSEL_VERSION;
constexpr DWORD kRunMs = 180000;

std::wstring BuiltBinary(const wchar_t* name) {
    return ExecutableFolder() + name;
}

std::wstring SetupPath() {
    return ExecutableFolder() + L"..\\Tessel-Setup-" + kVersion + L".exe";
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The exit code of `process` once it ended within `ms`, else -1.
int ExitCodeWithin(const ChildProcess& process, DWORD ms) {
    return process.Ended(ms) ? static_cast<int>(process.ExitCode()) : -1;
}

int RunInstaller(const std::wstring& folder) {
    return ExitCodeWithin(ChildProcess(L"\"" + SetupPath() + L"\" /S /D=" + folder), kRunMs);
}

std::wstring RegistryText(const wchar_t* name) {
    wchar_t text[1024] = {};
    DWORD size = sizeof text;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kUninstallKey, name, RRF_RT_REG_SZ, nullptr, text,
                     &size) != ERROR_SUCCESS) {
        return L"(absent)";
    }
    return text;
}

DWORD RegistryNumber(const wchar_t* name) {
    DWORD number = 0;
    DWORD size = sizeof number;
    RegGetValueW(HKEY_LOCAL_MACHINE, kUninstallKey, name, RRF_RT_REG_DWORD, nullptr, &number,
                 &size);
    return number;
}

bool UninstallKeyExists() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

bool TitledTessel(HWND window) {
    wchar_t title[16] = {};
    GetWindowTextW(window, title, 16);
    return std::wstring(title) == L"Tessel";
}

// The program's main window: visible, owned by `process`, titled "Tessel".
HWND WaitForMainWindow(DWORD process, DWORD ms) {
    for (DWORD waited = 0; waited < ms; waited += 200) {
        if (const HWND found = FindVisibleWindowOf(process, TitledTessel)) {
            return found;
        }
        Sleep(200);
    }
    return nullptr;
}

// Each test installs into a fresh folder (with a blank in its name), with the all-users
// desktop and start menu pointed into a temporary folder, and leaves no uninstall entry behind.
class Installer : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Exists(SetupPath())) << "the installer was not built";
        ASSERT_FALSE(UninstallKeyExists()) << "an earlier run left its uninstall entry";
        ASSERT_TRUE(CreateDirectoryW(desktop.c_str(), nullptr))
            << "the test desktop could not be made";
        ASSERT_TRUE(CreateDirectoryW(programs.c_str(), nullptr))
            << "the test start menu could not be made";
        WriteFileBytes(desktop + L"\\notes.txt", "the user's own file");
    }

    void TearDown() override {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, kUninstallKey);
        EndProcesses(L"Tessel.exe");
    }

    std::wstring Installed(const wchar_t* name) const { return folder + L"\\" + name; }

    // Runs the quiet uninstall command the entry names and waits for the folder to go: the
    // uninstaller hands its work to a copy of itself and returns at once.
    void Uninstall() {
        const std::wstring command = RegistryText(L"QuietUninstallString");
        ASSERT_EQ(L"\"" + Installed(L"uninstall.exe") + L"\" /S", command);
        ASSERT_EQ(0, ExitCodeWithin(ChildProcess(command), kRunMs));
        for (DWORD waited = 0; Exists(folder) && waited < kRunMs; waited += 250) {
            Sleep(250);
        }
    }

    TempFolder temp;
    const std::wstring folder = temp.path() + L"\\Tessel App";
    const std::wstring desktop = temp.path() + L"\\Desktop";
    const std::wstring programs = temp.path() + L"\\Programs";
    ShellFolderRedirect desktopRedirect{L"Common Desktop", desktop, HKEY_LOCAL_MACHINE};
    ShellFolderRedirect programsRedirect{L"Common Programs", programs, HKEY_LOCAL_MACHINE};
};

TEST_F(Installer, InstallsTheProgramAndUninstallsEverythingItInstalled) {
    ASSERT_EQ(0, RunInstaller(folder));
    for (const wchar_t* name : {L"Tessel.exe", L"corvel_tcp.dll"}) {
        EXPECT_EQ(ReadFileBytes(BuiltBinary(name)), ReadFileBytes(Installed(name)))
            << name << " is not the built one";
    }
    EXPECT_EQ((std::vector<std::wstring>{L"Tessel.exe", L"corvel_tcp.dll", L"uninstall.exe"}),
              FileNames(folder));
    EXPECT_EQ(std::vector<std::wstring>{L"Tessel.lnk"}, FileNames(programs));
    EXPECT_EQ((std::vector<std::wstring>{L"Tessel.lnk", L"notes.txt"}), FileNames(desktop));

    EXPECT_EQ(L"Tessel", RegistryText(L"DisplayName"));
    EXPECT_EQ(kVersion, RegistryText(L"DisplayVersion"));
    EXPECT_EQ(L"Tessel", RegistryText(L"Publisher"));
    EXPECT_EQ(Installed(L"Tessel.exe") + L",0", RegistryText(L"DisplayIcon"));
    EXPECT_EQ(folder, RegistryText(L"InstallLocation"));
    EXPECT_EQ(L"\"" + Installed(L"uninstall.exe") + L"\"", RegistryText(L"UninstallString"));
    const DWORD sizeKb = RegistryNumber(L"EstimatedSize");
    EXPECT_GE(sizeKb, 1000u) << "the program alone is several megabytes";
    EXPECT_LE(sizeKb, 100000u);

    {
        const ChildProcess program(L"\"" + Installed(L"Tessel.exe") + L"\"");
        ASSERT_TRUE(program.started()) << "the installed program did not start";
        const HWND window = WaitForMainWindow(program.Id(), 60000);
        ASSERT_NE(nullptr, window) << "the installed program shows no window";
        PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        EXPECT_TRUE(program.Ended(60000))
            << "the installed program did not end when its window closed";
    }
    EXPECT_TRUE(Exists(Installed(L"_OrvanLog"))) << "the program keeps its log beside itself";

    Uninstall();
    EXPECT_FALSE(Exists(folder)) << "the program's folder, its log included, is gone";
    EXPECT_TRUE(FileNames(programs).empty()) << "the start menu entry is left";
    EXPECT_EQ(std::vector<std::wstring>{L"notes.txt"}, FileNames(desktop));
    EXPECT_EQ("the user's own file", ReadFileBytes(desktop + L"\\notes.txt"));
    EXPECT_FALSE(UninstallKeyExists()) << "the uninstall entry is left";
    EXPECT_EQ((std::vector<std::wstring>{L"Desktop", L"Programs"}), FileNames(temp.path()));
}

TEST_F(Installer, AnUpgradeEndsTheRunningProgramAndReplacesItsFiles) {
    ASSERT_EQ(0, RunInstaller(folder));
    // An older program: a stand-in that runs until it is ended, under the program's name.
    ASSERT_TRUE(CopyFileW(BuiltBinary(L"install_waiter.exe").c_str(),
                          Installed(L"Tessel.exe").c_str(), FALSE))
        << "the older program could not be copied in";
    const ChildProcess older(L"\"" + Installed(L"Tessel.exe") + L"\"");
    ASSERT_TRUE(older.started()) << "the older program did not start";
    ASSERT_FALSE(older.Ended(500)) << "the older program ended by itself";

    EXPECT_EQ(0, RunInstaller(folder));
    EXPECT_TRUE(older.Ended(0)) << "the running program was not ended";
    EXPECT_EQ(ReadFileBytes(BuiltBinary(L"Tessel.exe")), ReadFileBytes(Installed(L"Tessel.exe")))
        << "the program was not replaced";
    EXPECT_EQ((std::vector<std::wstring>{L"Tessel.exe", L"corvel_tcp.dll", L"uninstall.exe"}),
              FileNames(folder));
    Uninstall();
    EXPECT_FALSE(Exists(folder)) << "the uninstall left the folder";
}

TEST_F(Installer, FilesInUseLeaveThePreviousInstallationWhole) {
    ASSERT_EQ(0, RunInstaller(folder));
    WriteFileBytes(Installed(L"Tessel.exe"), "the previous program");
    const std::string plugin = ReadFileBytes(Installed(L"corvel_tcp.dll"));
    // A host program holds the plug-in open without sharing: it cannot be moved or replaced.
    const HANDLE held = CreateFileW(Installed(L"corvel_tcp.dll").c_str(), GENERIC_READ, 0, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);

    EXPECT_EQ(2, RunInstaller(folder)) << "a silent install that cannot finish aborts";
    CloseHandle(held);
    EXPECT_EQ("the previous program", ReadFileBytes(Installed(L"Tessel.exe")))
        << "a file already replaced was not put back";
    EXPECT_EQ(plugin, ReadFileBytes(Installed(L"corvel_tcp.dll")));
    EXPECT_EQ((std::vector<std::wstring>{L"Tessel.exe", L"corvel_tcp.dll", L"uninstall.exe"}),
              FileNames(folder))
        << "files moved aside were left behind";
    Uninstall();
    EXPECT_FALSE(Exists(folder)) << "the uninstall left the folder";
}

// Makes Wine report Windows XP to the installer alone, for as long as it exists.
class InstallerSeesWindowsXp {
public:
    InstallerSeesWindowsXp()
        : key_(std::wstring(L"Software\\Wine\\AppDefaults\\Tessel-Setup-") + kVersion + L".exe") {
        RegSetKeyValueW(HKEY_CURRENT_USER, key_.c_str(), L"Version", REG_SZ, L"winxp",
                        sizeof L"winxp");
    }
    ~InstallerSeesWindowsXp() { RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str()); }
    InstallerSeesWindowsXp(const InstallerSeesWindowsXp&) = delete;
    InstallerSeesWindowsXp& operator=(const InstallerSeesWindowsXp&) = delete;

private:
    std::wstring key_;
};

TEST_F(Installer, ASystemBeforeVistaIsToldSoAndNothingIsInstalled) {
    const InstallerSeesWindowsXp xp;
    EXPECT_EQ(3, RunInstaller(folder));
    EXPECT_FALSE(Exists(folder)) << "the refused install left a folder";
    EXPECT_FALSE(UninstallKeyExists()) << "the refused install left an uninstall entry";
    EXPECT_TRUE(FileNames(programs).empty()) << "the refused install left a start menu entry";
}

struct VersionInfo {
    VS_FIXEDFILEINFO fixed = {};
    std::vector<BYTE> data;

    std::wstring Text(const wchar_t* name) const {
        void* value = nullptr;
        UINT size = 0;
        const std::wstring path = std::wstring(L"\\StringFileInfo\\040904b0\\") + name;
        if (!VerQueryValueW(data.data(), path.c_str(), &value, &size) || !size) {
            return L"(absent)";
        }
        return static_cast<const wchar_t*>(value);
    }
};

bool ReadVersion(const std::wstring& file, VersionInfo& info) {
    const DWORD size = GetFileVersionInfoSizeW(file.c_str(), nullptr);
    info.data.resize(size);
    void* fixed = nullptr;
    UINT fixedSize = 0;
    if (!size || !GetFileVersionInfoW(file.c_str(), 0, size, info.data.data()) ||
        !VerQueryValueW(info.data.data(), L"\\", &fixed, &fixedSize)) {
        return false;
    }
    info.fixed = *static_cast<VS_FIXEDFILEINFO*>(fixed);
    return true;
}

TEST(VersionResources, EveryBinaryCarriesTheProjectsVersion) {
    unsigned major = 0, minor = 0, patch = 0;
    ASSERT_EQ(3, swscanf(kVersion, L"%u.%u.%u", &major, &minor, &patch));
    for (const wchar_t* name : {L"Tessel.exe", L"corvel_tcp.dll", L"OrvanInstallHelper.dll"}) {
        SCOPED_TRACE(name);
        VersionInfo info;
        ASSERT_TRUE(ReadVersion(BuiltBinary(name), info)) << "no version resource";
        EXPECT_EQ(MAKELONG(minor, major), info.fixed.dwFileVersionMS);
        EXPECT_EQ(MAKELONG(0, patch), info.fixed.dwFileVersionLS);
        EXPECT_EQ(info.fixed.dwFileVersionMS, info.fixed.dwProductVersionMS);
        EXPECT_EQ(kVersion, info.Text(L"FileVersion"));
        EXPECT_EQ(kVersion, info.Text(L"ProductVersion"));
        EXPECT_EQ(L"Tessel", info.Text(L"ProductName"));
        EXPECT_EQ(L"Tessel", info.Text(L"CompanyName"));
        EXPECT_EQ(name, info.Text(L"OriginalFilename"));
        EXPECT_NE(L"(absent)", info.Text(L"FileDescription"));
        EXPECT_NE(std::wstring::npos, info.Text(L"LegalCopyright").find(L"Tessel"));
    }
    VersionInfo setup;
    ASSERT_TRUE(ReadVersion(SetupPath(), setup)) << "the installer has no version resource";
    EXPECT_EQ(MAKELONG(minor, major), setup.fixed.dwFileVersionMS);
}

TEST(VersionResources, TheProgramHasItsManifestAndTheTileIcon) {
    const HMODULE program =
        LoadLibraryExW(BuiltBinary(L"Tessel.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, program);
    const HRSRC found = FindResourceW(program, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(nullptr, found) << "no application manifest";
    const char* text = static_cast<const char*>(LockResource(LoadResource(program, found)));
    const std::string manifest(text, SizeofResource(program, found));
    EXPECT_NE(std::string::npos, manifest.find("Microsoft.Windows.Common-Controls"));
    EXPECT_NE(std::string::npos, manifest.find("version=\"6.0.0.0\""));
    EXPECT_NE(std::string::npos, manifest.find("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"))
        << "Windows 10 is not among the supported systems";
    EXPECT_NE(std::string::npos, manifest.find(">false</dpiAware>"));
    EXPECT_NE(std::string::npos,
              manifest.find(std::string("version=\"") + TESSEL_VERSION + ".0\""));
    // The executable's icon is its first icon group: the tile icon, resource 100.
    EXPECT_NE(nullptr, FindResourceW(program, MAKEINTRESOURCEW(100), RT_GROUP_ICON));
    EXPECT_EQ(1u, ExtractIconExW(BuiltBinary(L"Tessel.exe").c_str(), -1, nullptr, nullptr, 0));
    FreeLibrary(program);
}

}  // namespace
