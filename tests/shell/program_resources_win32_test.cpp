// The resources of secant-root.exe, read back from the built program with the functions that
// Windows Explorer and the loader use.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "common/utf16_windows.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using secant_root::Utf16FromUtf8;

const std::wstring kProgram = Utf16FromUtf8(SECANT_ROOT_PROGRAM);

// The version record's values, as Explorer's properties page shows them.
class VersionRecord {
  public:
    explicit VersionRecord(const std::wstring& file) {
        DWORD ignored = 0;
        data_.resize(GetFileVersionInfoSizeW(file.c_str(), &ignored));
        EXPECT_FALSE(data_.empty()) << "no version record";
        if (!data_.empty() &&
            !GetFileVersionInfoW(file.c_str(), 0, static_cast<DWORD>(data_.size()), data_.data())) {
            ADD_FAILURE() << "the version record cannot be read";
            data_.clear();
        }
    }

    template <class Value>
    const Value* Find(const std::wstring& path, UINT* length = nullptr) const {
        void* value = nullptr;
        UINT size = 0;
        if (data_.empty() || !VerQueryValueW(data_.data(), path.c_str(), &value, &size)) {
            return nullptr;
        }
        if (length != nullptr) {
            *length = size;
        }
        return static_cast<const Value*>(value);
    }

    std::wstring String(const std::wstring& name) const {
        UINT length = 0;
        const auto* text = Find<wchar_t>(L"\\StringFileInfo\\040904B0\\" + name, &length);
        // The length counts the terminating null.
        return text != nullptr && length > 0 ? std::wstring(text, length - 1) : L"(missing)";
    }

  private:
    Bytes data_;
};

TEST(ProgramResources, VersionRecordGivesVersionOneInItsFixedPartAndItsUsEnglishStrings) {
    const VersionRecord record(kProgram);
    const auto* fixed = record.Find<VS_FIXEDFILEINFO>(L"\\");
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    // 1.0.0.0: major and minor in the high word, build and revision in the low one.
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0u);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
    EXPECT_EQ(fixed->dwFileFlags & fixed->dwFileFlagsMask, 0u);  // not debug, not pre-release

    UINT length = 0;
    const auto* translations = record.Find<WORD>(L"\\VarFileInfo\\Translation", &length);
    ASSERT_NE(translations, nullptr);
    // US English (0x0409) in Unicode (code page 1200).
    EXPECT_THAT(std::vector<WORD>(translations, translations + length / sizeof(WORD)),
                ::testing::ElementsAre(0x0409, 1200));

    const struct {
        const wchar_t* name;
        const wchar_t* value;
    } strings[] = {
        {L"FileVersion", L"1.00"},
        {L"ProductVersion", L"1.00"},
        {L"ProductName", L"Secant root"},
        {L"FileDescription", L"Secant root finder"},
        {L"InternalName", L"secant-root"},
        {L"OriginalFilename", L"secant-root.exe"},
        {L"CompanyName", L"Secant Root project"},
    };
    for (const auto& s : strings) {
        EXPECT_EQ(record.String(s.name), s.value) << secant_root::Utf8FromUtf16(s.name);
    }
}

// The program loaded for its resources only, as Explorer loads it to show its icon.
struct ModuleFreer {
    void operator()(HMODULE module) const noexcept { FreeLibrary(module); }
};
using UniqueModule = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleFreer>;

Bytes ResourceBytes(HMODULE module, const wchar_t* type, WORD id) {
    const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), type);
    if (found == nullptr) {
        ADD_FAILURE() << "no resource " << id;
        return {};
    }
    const auto* bytes = static_cast<const std::uint8_t*>(LockResource(LoadResource(module, found)));
    return Bytes(bytes, bytes + SizeofResource(module, found));
}

Bytes FileBytes(const char* path) {
    std::ifstream file(path, std::ios::binary);
    EXPECT_TRUE(file.good()) << path;
    return Bytes(std::istreambuf_iterator<char>(file), {});
}

std::uint32_t Little(const Bytes& bytes, std::size_t at, int size) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) value = value << 8 | bytes.at(at + i);
    return value;
}

// The icon group in the program is the icon file's directory with each image's file offset
// replaced by the identifier of its RT_ICON resource; the images are the file's, byte for byte.
TEST(ProgramResources, IconGroupOneHoldsTheThreeImagesOfTheIconFile) {
    const UniqueModule program(LoadLibraryExW(
        kProgram.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    ASSERT_TRUE(program) << "cannot load " << SECANT_ROOT_PROGRAM;
    const Bytes group = ResourceBytes(program.get(), RT_GROUP_ICON, 1);
    const Bytes file = FileBytes(SECANT_ROOT_ICON_FILE);
    constexpr std::size_t kHeader = 6, kGroupEntry = 14, kFileEntry = 16;
    ASSERT_EQ(group.size(), kHeader + 3 * kGroupEntry);
    ASSERT_GE(file.size(), kHeader + 3 * kFileEntry);
    EXPECT_TRUE(std::equal(group.begin(), group.begin() + kHeader, file.begin()));

    const struct {
        int size;
        int colours;
        int bitsPerPixel;
    } expected[] = {{32, 16, 4}, {16, 16, 4}, {32, 2, 1}};
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const std::size_t entry = kHeader + i * kGroupEntry;
        const std::size_t fileEntry = kHeader + i * kFileEntry;
        EXPECT_EQ(group[entry], expected[i].size);
        EXPECT_EQ(group[entry + 1], expected[i].size);
        // Colour count, reserved, planes, bits per pixel and image size as in the file.
        EXPECT_TRUE(std::equal(group.begin() + entry + 2, group.begin() + entry + 12,
                               file.begin() + fileEntry + 2));
        EXPECT_EQ(group[entry + 2] == 0 ? 256 : group[entry + 2], expected[i].colours);
        EXPECT_EQ(Little(group, entry + 6, 2),
                  static_cast<std::uint32_t>(expected[i].bitsPerPixel));

        const auto id = static_cast<WORD>(Little(group, entry + 12, 2));
        const Bytes image = ResourceBytes(program.get(), RT_ICON, id);
        const std::uint32_t offset = Little(file, fileEntry + 12, 4);
        const std::uint32_t length = Little(file, fileEntry + 8, 4);
        ASSERT_LE(offset + length, file.size());
        EXPECT_EQ(image, Bytes(file.begin() + offset, file.begin() + offset + length));

        // Windows makes an icon of it at its size.
        const HICON icon = CreateIconFromResourceEx(const_cast<std::uint8_t*>(image.data()),
                                                    static_cast<DWORD>(image.size()), TRUE,
                                                    0x00030000, 0, 0, LR_DEFAULTCOLOR);
        EXPECT_NE(icon, nullptr);
        if (icon != nullptr) {
            DestroyIcon(icon);
        }
    }
    // The loader picks the 16 × 16 image for small icons and a 32 × 32 colour one for large ones.
    EXPECT_EQ(LookupIconIdFromDirectoryEx(const_cast<std::uint8_t*>(group.data()), TRUE, 16, 16,
                                          LR_DEFAULTCOLOR),
              static_cast<int>(Little(group, kHeader + kGroupEntry + 12, 2)));
    EXPECT_EQ(LookupIconIdFromDirectoryEx(const_cast<std::uint8_t*>(group.data()), TRUE, 32, 32,
                                          LR_DEFAULTCOLOR),
              static_cast<int>(Little(group, kHeader + 12, 2)));
}

// The manifest (visual styles, DPI awareness), which the window's tests show in effect.
TEST(ProgramResources, ManifestIsTheProgramsManifestFile) {
    const UniqueModule program(LoadLibraryExW(
        kProgram.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    ASSERT_TRUE(program);
    EXPECT_EQ(ResourceBytes(program.get(), RT_MANIFEST, 1), FileBytes(SECANT_ROOT_MANIFEST_FILE));
}

}  // namespace
