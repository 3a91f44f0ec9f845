#include "DesktopFile.h"
#include "DesktopName.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "CodePage.h"
#include "ShellFolderRedirect.h"
#include "TempFolder.h"

namespace {

std::string Checked(const std::wstring& name) {
    std::string ansi = "unchanged";
    return MakeDesktopFileName(name, ansi) ? ansi : "refused";
}

TEST(DesktopFileName, FoldersDrivesDotsAndDevicesAreRefused) {
    for (const wchar_t* name : {L"",
                                L".",
                                L"..",
                                L"..\\..\\a.xls",
                                L"a/b.xls",
                                L"C:a.xls",
                                L"a.xls:stream",
                                L"a.xls.",
                                L"a.xls ",
                                L"a.",
                                L"NUL",
                                L"nul",
                                L"aux.xls",
                                L"COM1.txt",
                                L"CON",
                                L"LPT1",
                                L"lpt9.pdf",
                                L"Con.tar.gz",
                                L"PRN",
                                L"nul .txt",
                                L"com\u00b9.xls",
                                L"CONIN$",
                                L"conout$.log"}) {
        EXPECT_EQ("refused", Checked(name)) << WideToUtf8(name);
    }
}

TEST(DesktopFileName, ForbiddenCharactersBecomeUnderscoresAndTheRestStays) {
    EXPECT_EQ("export.xls_id=5", Checked(L"export.xls?id=5"));
    EXPECT_EQ("a_b_c_d_e_f_g", Checked(L"a<b>c\"d|e*f\x01g"));
    EXPECT_EQ(std::string("tab_.xls"), Checked(L"tab\t.xls"));
    EXPECT_EQ("发票 1.pdf", Checked(L"发票 1.pdf"));
    EXPECT_EQ("乗.xls", Checked(L"乗.xls")) << "a trail byte equal to \"\\\" is no separator";
    EXPECT_EQ("..a.xls", Checked(L"..a.xls"));
    EXPECT_EQ("CONSOLE.xls", Checked(L"CONSOLE.xls")) << "only the whole stem names a device";
    EXPECT_EQ("COM10.txt", Checked(L"COM10.txt"));
    EXPECT_EQ("x.NUL", Checked(L"x.NUL"));
    EXPECT_EQ("a_b.xls", Checked(L"a\u0e01b.xls")) << "characters the code page lacks";
}

TEST(DesktopFileName, NumberingGoesBeforeTheLastDotCountingCharacters) {
    EXPECT_EQ("a(1).xls", NumberedName("a.xls", 1));
    EXPECT_EQ("a(1).xlsx", NumberedName("a.xlsx", 1));
    EXPECT_EQ("a(12).xls", NumberedName("a.xls", 12));
    EXPECT_EQ("README(1)", NumberedName("README", 1));
    EXPECT_EQ("archive.tar(2).gz", NumberedName("archive.tar.gz", 2));
    EXPECT_EQ("发票清单(1).xlsx", NumberedName("发票清单.xlsx", 1));
    EXPECT_EQ("x发票数据(1)", NumberedName("x发票数据", 1));
    EXPECT_EQ("export(1).xls_id=5", NumberedName("export.xls_id=5", 1));
}

class DesktopFolderTest : public ::testing::Test {
protected:
    TempFolder desktop_;
    TempFolder documents_;
    ShellFolderRedirect desktopRedirect_{L"Desktop", desktop_.path()};
    ShellFolderRedirect documentsRedirect_{L"Personal", documents_.path()};
};

TEST_F(DesktopFolderTest, FoldersComeFromTheShellAndDownloadPathsLieInDocuments) {
    EXPECT_EQ(desktop_.narrowPath(), DesktopFolder());
    EXPECT_EQ(documents_.path(), DocumentsFolder());
    EXPECT_EQ(documents_.path() + L"\\report.txt", DefaultDownloadPath(L"report"));
    EXPECT_EQ(documents_.path() + L"\\a.b", DefaultDownloadPath(L"a.b"));
    EXPECT_EQ(documents_.path() + L"\\发票.tar.gz", DefaultDownloadPath(L"发票.tar.gz"));
}

// Every name a page may send either is refused or names a new plain file directly in the desktop
// folder: the file the system creates for it is found there, under the checked name.
TEST_F(DesktopFolderTest, AcceptedNamesCreateOnePlainFileInTheDesktopFolder) {
    const std::string desktop = DesktopFolder();
    std::set<std::wstring> expected;
    for (const wchar_t* name : {L"NUL", L"aux.xls", L"com1.txt", L"a.xls ", L"..\\x.xls",
                                L"export.xls?id=5", L"report<2024>.pdf", L"发票 1.pdf", L"乗.xls",
                                L"a\u0e01b.xls", L"q\"u|o*te.xls", L"CONSOLE.xls"}) {
        std::string checked;
        if (!MakeDesktopFileName(name, checked)) {
            continue;
        }
        const std::string path = desktop + "\\" + checked;
        const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, file) << checked << " could not be created";
        EXPECT_EQ(static_cast<DWORD>(FILE_TYPE_DISK), GetFileType(file))
            << checked << " is not a disk file";
        CloseHandle(file);
        expected.insert(AnsiToWide(checked));
    }
    const std::vector<std::wstring> found = FileNames(desktop_.path());
    EXPECT_EQ(std::vector<std::wstring>(expected.begin(), expected.end()), found);
    EXPECT_EQ(7u, found.size());
}

TEST_F(DesktopFolderTest, AFreeNameSkipsEveryTakenOne) {
    for (const wchar_t* name : {L"a.xlsx", L"a(1).xlsx", L"a(2).xlsx"}) {
        WriteFileBytes(desktop_.path() + L"\\" + name, "old");
    }
    const auto exists = [](const std::string& path) {
        return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    };
    EXPECT_EQ("a(3).xlsx", FreeFileName(DesktopFolder(), "a.xlsx", exists));
    EXPECT_EQ("b.xlsx", FreeFileName(DesktopFolder(), "b.xlsx", exists));
}

}  // namespace
