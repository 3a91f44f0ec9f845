#include <windows.h>

#include <gtest/gtest.h>

#include <list>
#include <string>
#include <vector>

#include "Exports.h"
#include "TempFolder.h"

namespace {

using ExportFn = int(WINAPI*)();

class InstallHelperTest : public ::testing::Test {
protected:
    void SetUp() override {
        library_ = LoadLibraryW((ExecutableFolder() + L"OrvanInstallHelper.dll").c_str());
        ASSERT_NE(nullptr, library_);
        killAll_ = LoadExport<ExportFn>(library_, "KillAllProcess");
        isVista_ = LoadExport<ExportFn>(library_, "IsVistaOSOrLater");
        ASSERT_NE(nullptr, killAll_);
        ASSERT_NE(nullptr, isVista_);
    }
    void TearDown() override {
        for (const HANDLE process : processes_) {
            TerminateProcess(process, 0);
            CloseHandle(process);
        }
        if (library_) {
            FreeLibrary(library_);
        }
    }

    // Starts a copy of the waiting program under the given file name, in a folder of its own.
    HANDLE StartCopy(const std::wstring& exeName) {
        folders_.emplace_back();
        const std::wstring path = folders_.back().path() + L"\\" + exeName;
        EXPECT_TRUE(
            CopyFileW((ExecutableFolder() + L"install_waiter.exe").c_str(), path.c_str(), FALSE));
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info = {};
        std::wstring commandLine = L"\"" + path + L"\"";
        EXPECT_TRUE(CreateProcessW(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0,
                                   nullptr, nullptr, &startup, &info));
        CloseHandle(info.hThread);
        processes_.push_back(info.hProcess);
        return info.hProcess;
    }

    HMODULE library_ = nullptr;
    ExportFn killAll_ = nullptr;
    ExportFn isVista_ = nullptr;
    std::list<TempFolder> folders_;
    std::vector<HANDLE> processes_;
};

DWORD ExitCodeWhenEnded(HANDLE process) {
    if (WaitForSingleObject(process, 10000) != WAIT_OBJECT_0) {
        return STILL_ACTIVE;
    }
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    return code;
}

}  // namespace

TEST_F(InstallHelperTest, NothingRunningReturnsZero) {
    EXPECT_EQ(0, killAll_());
}

TEST_F(InstallHelperTest, EndsEveryInstanceWhateverTheCaseOfItsName) {
    const HANDLE first = StartCopy(L"Tessel.exe");
    const HANDLE second = StartCopy(L"TESSEL.EXE");
    const HANDLE third = StartCopy(L"tessel.exe");
    const HANDLE bystander = StartCopy(L"Tessel2.exe");

    EXPECT_EQ(0, killAll_());

    EXPECT_EQ(1u, ExitCodeWhenEnded(first));
    EXPECT_EQ(1u, ExitCodeWhenEnded(second));
    EXPECT_EQ(1u, ExitCodeWhenEnded(third));
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(bystander, 0));
}

TEST_F(InstallHelperTest, WineCountsAsVistaOrLater) {
    EXPECT_EQ(1, isVista_());
}
