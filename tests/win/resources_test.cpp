// What the program carries in its resources: version, banner, manifest, icon.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <iterator>

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

// The libraries the program's file names in its import table, lower case,
// read from the file itself (no loader involved).
std::vector<std::string> ImportedLibraries(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<char> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto at = [&](size_t offset, size_t size) -> const char* {
        return offset + size <= file.size() ? file.data() + offset : nullptr;
    };
    std::vector<std::string> names;
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(at(0, sizeof(IMAGE_DOS_HEADER)));
    if (!dos) return names;
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(at(dos->e_lfanew, sizeof(IMAGE_NT_HEADERS64)));
    if (!nt) return names;
    const auto* sections = reinterpret_cast<const IMAGE_SECTION_HEADER*>(
        at(dos->e_lfanew + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) + nt->FileHeader.SizeOfOptionalHeader,
           nt->FileHeader.NumberOfSections * sizeof(IMAGE_SECTION_HEADER)));
    if (!sections) return names;
    const auto fileOffset = [&](DWORD rva) -> size_t {
        for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i) {
            const IMAGE_SECTION_HEADER& s = sections[i];
            if (rva >= s.VirtualAddress && rva < s.VirtualAddress + s.SizeOfRawData)
                return rva - s.VirtualAddress + s.PointerToRawData;
        }
        return file.size();
    };
    const DWORD table = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (size_t offset = fileOffset(table);; offset += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        const auto* entry =
            reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(at(offset, sizeof(IMAGE_IMPORT_DESCRIPTOR)));
        if (!entry || entry->Name == 0) break;
        const char* name = at(fileOffset(entry->Name), 1);
        if (!name) break;
        std::string lower(name, strnlen(name, static_cast<size_t>(file.data() + file.size() - name)));
        std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
        names.push_back(lower);
    }
    return names;
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

// Every mode pays at its start for each library the program imports; those
// only one mode needs (the live update, the choosers) are loaded when used.
TEST(Resources, TheProgramImportsNoLibraryThatOnlyOneModeNeeds) {
    const std::vector<std::string> imports = ImportedLibraries(Exe());
    ASSERT_NE(std::find(imports.begin(), imports.end(), "user32.dll"), imports.end()) << "import table not read";
    for (const char* late : {"winhttp.dll", "bcrypt.dll", "comdlg32.dll", "shell32.dll", "ole32.dll"})
        EXPECT_EQ(std::find(imports.begin(), imports.end(), late), imports.end()) << late;
}
