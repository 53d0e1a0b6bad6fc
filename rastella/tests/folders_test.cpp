// The one form that the folder lists of every window keep a folder in.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "shell/folders.h"
#include "shell/utf8_path.h"

namespace rastella {
namespace {

using Cases = std::vector<std::pair<std::string, std::string>>;

void ExpectNormal(const Cases& cases) {
  for (const auto& [folder, normal] : cases) {
    EXPECT_EQ(NormalFolder(folder), normal) << "for \"" << folder << "\"";
  }
}

#ifdef _WIN32

TEST(NormalFolder, DropsTrailingSeparatorsButKeepsADrivesRoot) {
  ExpectNormal({
      {"C:\\Textures\\", "C:\\Textures"},
      {"C:\\Textures\\\\", "C:\\Textures"},
      {"C:/Textures/Old/", "C:\\Textures\\Old"},
      {"C:\\", "C:\\"},
      {"C:", "C:\\"},
      {"D:/", "D:\\"},
      {"C:\\Textures", "C:\\Textures"},
  });
}

TEST(NormalFolder, ResolvesDotAndDotDotSteps) {
  ExpectNormal({
      {"C:\\Textures\\.\\Old", "C:\\Textures\\Old"},
      {"C:\\Textures\\Old\\..", "C:\\Textures"},
      {"C:\\Textures\\..\\", "C:\\"},
      {"C:\\..", "C:\\"},
      {"C:\\Textures\\.", "C:\\Textures"},
  });
}

#else

TEST(NormalFolder, DropsTrailingSeparatorsButKeepsTheRoot) {
  ExpectNormal({
      {"/textures/", "/textures"},
      {"/textures//old///", "/textures/old"},
      {"/", "/"},
      {"//", "/"},
      {"/textures", "/textures"},
  });
}

TEST(NormalFolder, ResolvesDotAndDotDotSteps) {
  ExpectNormal({
      {"/textures/./old", "/textures/old"},
      {"/textures/old/..", "/textures"},
      {"/textures/..", "/"},
      {"/..", "/"},
      {"/textures/.", "/textures"},
  });
}

TEST(NormalFolder, TakesARelativePathFromTheCurrentFolder) {
  const std::string current = Utf8FromPath(std::filesystem::current_path());
  EXPECT_EQ(NormalFolder("."), current);
  EXPECT_EQ(NormalFolder("./textures/"), (std::filesystem::current_path() / "textures").string());
  EXPECT_EQ(NormalFolder(""), "/") << "an empty path stands for the root";
}

#endif

}  // namespace
}  // namespace rastella
