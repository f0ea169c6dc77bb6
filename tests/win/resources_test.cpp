// What the program carries in its resources: version, banner, manifest, icon.
#include <gtest/gtest.h>

#include "tests/win/support/winsupport.h"

using namespace testsupport;

namespace {

std::string Exe() { return ExeDir() + "kivuutil.exe"; }

std::string VersionString(const std::vector<char>& info, const char* name) {
    struct Translation {
        WORD language, codePage;
    }* translations = nullptr;
    UINT size = 0;
    if (!VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations), &size) ||
        size < sizeof(Translation))
        return {};
    char path[128];
    wsprintfA(path, "\\StringFileInfo\\%04x%04x\\%s", translations->language, translations->codePage, name);
    char* value = nullptr;
    if (!VerQueryValueA(info.data(), path, reinterpret_cast<void**>(&value), &size)) return {};
    return value;
}

}  // namespace

TEST(Resources, VersionResourceNamesTheProgram) {
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(Exe().c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<char> info(size);
    ASSERT_TRUE(GetFileVersionInfoA(Exe().c_str(), 0, size, info.data()));
    EXPECT_EQ(VersionString(info, "FileDescription"), "KIVU Menu Tools");
    EXPECT_EQ(VersionString(info, "FileVersion"), "3.19");
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT len = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &len));
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(19, 3));
}

TEST(Resources, BannerManifestAndIcon) {
    HMODULE exe = LoadLibraryExA(Exe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(exe);
    char banner[512] = {};
    ASSERT_GT(LoadStringA(exe, 1, banner, sizeof banner), 0);
    const std::string text = banner;
    EXPECT_EQ(text.rfind("KIVU Menu 3.19 Release 230200/182559", 0), 0u) << text;
    EXPECT_GT(text.size(), std::string("KIVU Menu 3.19 Release 230200/182559").size());  // the maker's notice
    // The running version sits at characters 11 to 14.
    EXPECT_EQ(text.substr(10, 4), "3.19");

    HRSRC manifest = FindResourceA(exe, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    ASSERT_TRUE(manifest);
    const std::string xml(static_cast<const char*>(LockResource(LoadResource(exe, manifest))),
                          SizeofResource(exe, manifest));
    EXPECT_NE(xml.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(xml.find("version=\"6.0.0.0\""), std::string::npos);
    EXPECT_TRUE(FindResourceA(exe, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(14)));  // RT_GROUP_ICON
    FreeLibrary(exe);
}
