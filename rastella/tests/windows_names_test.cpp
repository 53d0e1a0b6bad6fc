// The name conversion at the wide-character calls, run under Windows (or
// wine): exact round trips, refusal of everything that is not strictly
// UTF-8, names that the platform's path clean-up would change, letter-case
// twins and paths longer than 260 characters.

#include "shell/windows_names_win32.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace rastella::windows_names {
namespace {

bool WriteFile(const std::string& path, const std::string& bytes) {
  const HANDLE file =
      ::CreateFileW(WidePath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return false;
  }
  DWORD written = 0;
  const bool done = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) != 0;
  return ::CloseHandle(file) != 0 && done && written == bytes.size();
}

// A fresh folder under the temporary folder, removed with its files.
class Folder {
 public:
  Folder() {
    wchar_t base[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH + 1, base);
    path_ = NameFromWide(base) + "names-test-" + std::to_string(::GetCurrentProcessId());
    ::CreateDirectoryW(WidePath(path_).c_str(), nullptr);
  }
  ~Folder() { Remove(WidePath(path_)); }
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;
  std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

 private:
  static void Remove(const std::wstring& path) {
    WIN32_FIND_DATAW entry{};
    const HANDLE listing = ::FindFirstFileW((path + L"\\*").c_str(), &entry);
    if (listing != INVALID_HANDLE_VALUE) {
      do {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..") {
          continue;
        }
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
          Remove(path + L"\\" + name);
        } else {
          ::DeleteFileW((path + L"\\" + name).c_str());
        }
      } while (::FindNextFileW(listing, &entry) != 0);
      ::FindClose(listing);
    }
    ::RemoveDirectoryW(path.c_str());
  }

  std::string path_;
};

TEST(WindowsNames, Utf8AndUtf16RoundTripExactly) {
  for (const std::wstring& wide :
       {std::wstring(L"\u00e9.tga"), std::wstring(L"\u00c3\u00a9.tga"), std::wstring(L"\u65e5\u672c"),
        std::wstring(L"..\uff3cvictim"), std::wstring(L"\xd83d\xde00")}) {
    std::wstring back;
    ASSERT_TRUE(WideFromUtf8(NameFromWide(wide), back));
    EXPECT_EQ(back, wide);
  }
  EXPECT_EQ(NameFromWide(L"\u00e9"), "\xc3\xa9");
  EXPECT_EQ(NameFromWide(L"\xd83d\xde00"), "\xf0\x9f\x98\x80");
}

TEST(WindowsNames, OnlyStrictUtf8IsTakenForAName) {
  std::wstring wide;
  for (const char* text : {"\xc0\xaf", "\xe0\x80\xaf", "\xed\xa0\x80", "\xf4\x90\x80\x80", "\xf5\x80\x80\x80", "\xc3",
                           "\xa9", "a\xc3(b"}) {
    EXPECT_FALSE(WideFromUtf8(text, wide)) << text;
    EXPECT_TRUE(wide.empty());
    EXPECT_TRUE(WidePath(text).empty());
  }
  EXPECT_FALSE(WideFromUtf8(std::string("a\0b", 3), wide));
  EXPECT_EQ(WideForDisplay("a\xc3(b"), L"a\ufffd(b");
}

// An unpaired surrogate has no UTF-8 form: the name can be shown, never
// opened, and never stands for the name with U+FFFD in its place.
TEST(WindowsNames, UnpairedSurrogatesAreShownButNeverOpened) {
  const std::string name = NameFromWide(std::wstring(L"a\xd800.tga"));
  EXPECT_EQ(name, "a\xed\xa0\x80.tga");
  std::wstring wide;
  EXPECT_FALSE(WideFromUtf8(name, wide));
  EXPECT_EQ(WideForDisplay(name), L"a\ufffd\ufffd\ufffd.tga");
}

TEST(WindowsNames, PathsNameExactlyTheListedFile) {
  Folder folder;
  // The platform's clean-up of a plain path drops trailing dots and
  // blanks: "b." would open "b".
  EXPECT_EQ(WidePath(folder / "b.").substr(0, 4), L"\\\\?\\");
  EXPECT_EQ(WidePath(folder / "b.").back(), L'.');
  // Folder steps at the end are resolved: the folder itself.
  const DWORD folderAttributes = ::GetFileAttributesW(WidePath(folder / "sub\\..").c_str());
  ASSERT_NE(folderAttributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(folderAttributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_NE(::GetFileAttributesW(WidePath("C:\\").c_str()), INVALID_FILE_ATTRIBUTES);
  ASSERT_TRUE(WriteFile(folder / "\u00e9\u03b1\u65e5.tga", "x"));
  ASSERT_TRUE(WriteFile(folder / "..\uff3cvictim.tga", "y"));
  WIN32_FIND_DATAW entry{};
  const HANDLE listing = ::FindFirstFileW(WidePath(folder / "*\uff3c*").c_str(), &entry);
  ASSERT_NE(listing, INVALID_HANDLE_VALUE);
  EXPECT_EQ(NameFromWide(entry.cFileName), "..\uff3cvictim.tga");
  ::FindClose(listing);
}

TEST(WindowsNames, LetterCaseTwinsAreToldApart) {
  Folder folder;
  ASSERT_TRUE(WriteFile(folder / "A.tga", "upper"));
  EXPECT_FALSE(NameTakenByAnother(folder / "A.tga"));
  EXPECT_FALSE(NameTakenByAnother(folder / "missing.tga"));

  const HANDLE file = ::CreateFileW(WidePath(folder / "A.tga").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(OpenedUnderExactName(file, folder / "A.tga"));
  EXPECT_FALSE(OpenedUnderExactName(file, folder / "a.tga"));
  ::CloseHandle(file);

  // Where the folder takes "a.tga" for "A.tga", writing "a.tga" would
  // replace "A.tga".
  const HANDLE twin = ::CreateFileW(WidePath(folder / "a.tga").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (twin != INVALID_HANDLE_VALUE) {
    EXPECT_FALSE(OpenedUnderExactName(twin, folder / "a.tga"));
    EXPECT_TRUE(NameTakenByAnother(folder / "a.tga"));
    ::CloseHandle(twin);
  }
}

TEST(WindowsNames, FoldersDeeperThan260CharactersWork) {
  Folder folder;
  std::string deep = folder / "";
  deep.pop_back();
  for (int level = 0; level < 6; ++level) {
    deep += "\\level-" + std::to_string(level) + "-" + std::string(40, 'n');
    ASSERT_TRUE(::CreateDirectoryW(WidePath(deep).c_str(), nullptr)) << deep.size();
  }
  ASSERT_GT(deep.size(), 300u);
  const std::string file = deep + "\\\u03b4.tga";
  ASSERT_TRUE(WriteFile(file, "deep"));
  EXPECT_NE(::GetFileAttributesW(WidePath(file).c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_FALSE(NameTakenByAnother(file));
}

}  // namespace
}  // namespace rastella::windows_names
