// Every DLL and program of the distribution carries the project's one version.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include <vector>

#include "TestSupport.h"

namespace {

TEST(Version, EveryDllAndProgramCarriesTheProjectsVersion)
{
    const std::string bin = ProgramDirectory() + "\\..\\bin\\";
    const DWORD expectedMs = MAKELONG(PHONEBK_VERSION_MINOR, PHONEBK_VERSION_MAJOR);
    const DWORD expectedLs = MAKELONG(0, PHONEBK_VERSION_PATCH);
    for (const char* file : {"PhoneBk.dll", "GATEUI.DLL", "Linkdevs.dll", "regstore.dll", "PXMSGBOX.dll",
                             "pbtool.exe", "progman.exe", "phonebook-tab.exe"}) {
        std::string path = bin + file;
        TempDir copy("version");
        if (lstrcmpiA(file, "progman.exe") == 0) {
            // Wine has a Program Manager of its own that answers to this
            // module name: read our program under another name.
            std::string renamed = copy.file("shell-stand-in.exe");
            ASSERT_TRUE(CopyFileA(path.c_str(), renamed.c_str(), FALSE));
            path = renamed;
        }
        DWORD ignored = 0;
        DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
        ASSERT_NE(0u, size) << file << " has no version resource";
        std::vector<char> data(size);
        ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, data.data())) << file;
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length)) << file;
        EXPECT_EQ(expectedMs, fixed->dwFileVersionMS) << file;
        EXPECT_EQ(expectedLs, fixed->dwFileVersionLS) << file;
        EXPECT_EQ(expectedMs, fixed->dwProductVersionMS) << file;
        char* text = nullptr;
        ASSERT_TRUE(VerQueryValueA(data.data(), "\\StringFileInfo\\040904E4\\OriginalFilename",
                                   reinterpret_cast<void**>(&text), &length)) << file;
        EXPECT_STRCASEEQ(file, text);
        ASSERT_TRUE(VerQueryValueA(data.data(), "\\StringFileInfo\\040904E4\\FileVersion",
                                   reinterpret_cast<void**>(&text), &length)) << file;
        EXPECT_EQ(std::string(PHONEBK_VERSION_TEXT) + ".0", text) << file;
    }
}

}  // namespace
