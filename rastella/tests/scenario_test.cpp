// Black-box runs of rastella-script: each scenarios/NAME.script runs in a
// scratch folder holding the fixture images below, and its standard output
// must equal scenarios/NAME.expected byte for byte, with the scratch
// folder's path written as <folder>.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "test_support.h"

namespace rastella {
namespace {

using testing::TestImage;
using testing::TgaFile;

// A small image whose values are easy to follow by hand: pixel (x, y) has
// red 10x + 1, green 20y + 2, blue 30 + x + y and alpha 60x + 70y.
TestImage CountingImage(int width, int height) {
  TestImage image(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint8_t* pixel = image.Rgb(x, y);
      pixel[0] = static_cast<std::uint8_t>(10 * x + 1);
      pixel[1] = static_cast<std::uint8_t>(20 * y + 2);
      pixel[2] = static_cast<std::uint8_t>(30 + x + y);
      image.Alpha(x, y) = static_cast<std::uint8_t>(60 * x + 70 * y);
    }
  }
  return image;
}

void WriteFixtures(const std::filesystem::path& folder) {
  const TestImage image = CountingImage(4, 3);
  testing::WriteBytes(folder / "rgba.tga", TgaFile(2, 32, 0x28, 4, 3, testing::StoreTgaPixels(image, 2, true)));
  testing::WriteBytes(folder / "rgb-bottom.tga", TgaFile(2, 24, 0x00, 4, 3, testing::StoreTgaPixels(image, 0, false)));
  testing::WriteBytes(folder / "alpha.tga", TgaFile(3, 8, 0x18, 4, 3, testing::StoreGrayPixels(image, 1)));
  testing::WriteBytes(folder / "rle.tga", TgaFile(10, 24, 0x20, 4, 3, {1, 2, 3}));
  testing::WriteBytes(folder / "wide.tga", TgaFile(2, 24, 0x20, 1025, 1, {}));
  testing::WriteBytes(folder / "disguised.TGA", testing::ReferenceZtf(image, true));
  testing::WriteBytes(folder / "notes.txt", {'n', 'o'});
  std::filesystem::create_directory(folder / "sub");
  std::filesystem::create_directory(folder / "folder.tga");
  testing::WriteBytes(folder / "sub" / "inner.tga", TgaFile(2, 24, 0x20, 1, 1, {9, 8, 7}));
}

struct RunResult {
  std::string output;
  int status = -1;
};

// The program under test: the one built beside this test, or the command in
// RASTELLA_SCRIPT_COMMAND (the Windows build under wine, for instance).
std::string ScriptCommand() {
  const char* command = std::getenv("RASTELLA_SCRIPT_COMMAND");
  return command != nullptr ? command : "'" RASTELLA_SCRIPT_PATH "'";
}

RunResult RunScript(const std::filesystem::path& folder, const std::filesystem::path& script) {
  const std::string command =
      "cd '" + folder.string() + "' && " + ScriptCommand() + " '" + script.string() + "' 2>/dev/null";
  RunResult result;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[4096];
  std::size_t count;
  while ((count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, count);
  const int status = ::pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

std::string ReadText(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

// The scratch folder's name differs from run to run, so it reads <folder>.
// A Windows build names it as a drive path with backslashes (wine shows the
// Linux root as drive Z:) and ends lines in CR LF; both are made to read as
// on Linux.
void NormaliseOutput(std::string& output, const std::filesystem::path& folder) {
  for (std::size_t at; (at = output.find("\r\n")) != std::string::npos;) output.erase(at, 1);
  std::string windowsFolder = "Z:" + folder.string();
  std::replace(windowsFolder.begin(), windowsFolder.end(), '/', '\\');
  for (const std::string& name : {folder.string(), windowsFolder}) {
    for (std::size_t at; (at = output.find(name)) != std::string::npos;) {
      output.replace(at, name.size(), "<folder>");
      for (std::size_t end = output.find('\n', at); at < end && at < output.size(); ++at) {
        if (output[at] == '\\') output[at] = '/';
      }
    }
  }
}

class Scenario : public ::testing::TestWithParam<std::string> {};

TEST_P(Scenario, PrintsWhatItsExpectedFileSays) {
  testing::TempFolder folder;
  WriteFixtures(folder.Path());
  const std::filesystem::path scenarios = RASTELLA_SCENARIO_DIR;
  RunResult result = RunScript(folder.Path(), scenarios / (GetParam() + ".script"));
  EXPECT_EQ(result.status, 0);
  NormaliseOutput(result.output, folder.Path());
  // After a deliberate change of behaviour, RASTELLA_UPDATE_SCENARIOS=1
  // rewrites the expected files; `git diff` then shows what changed.
  if (std::getenv("RASTELLA_UPDATE_SCENARIOS") != nullptr) {
    std::ofstream(scenarios / (GetParam() + ".expected"), std::ios::binary) << result.output;
  }
  EXPECT_EQ(result.output, ReadText(scenarios / (GetParam() + ".expected")));
}

std::vector<std::string> ScenarioNames() {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(RASTELLA_SCENARIO_DIR)) {
    if (entry.path().extension() == ".script") names.push_back(entry.path().stem());
  }
  std::sort(names.begin(), names.end());
  return names;
}

INSTANTIATE_TEST_SUITE_P(Scripts, Scenario, ::testing::ValuesIn(ScenarioNames()),
                         [](const ::testing::TestParamInfo<std::string>& scenario) {
                           std::string name = scenario.param;
                           std::replace(name.begin(), name.end(), '-', '_');
                           return name;
                         });

TEST(ScriptErrors, EndTheRunWithStatusTwoAfterTheLinesBefore) {
  testing::TempFolder folder;
  WriteFixtures(folder.Path());
  const std::vector<std::string> badLines = {
      "frobnicate",
      "click missing.tga",
      "click notes.txt",
      "click folder.tga",
      "folder no-such-folder",
      "folder",
      "view now",
      "pixel 1024 0",
      "pixel 1 -1",
      "pixel 1",
      "pixel 1 2 3",
      "dump",
      "dump no-such-folder/out.ppm",
  };
  for (const std::string& line : badLines) {
    const std::filesystem::path script = folder / "bad.script";
    std::ofstream(script) << "status\n" << line << "\nstatus\n";
    RunResult result = RunScript(folder.Path(), script);
    NormaliseOutput(result.output, folder.Path());
    EXPECT_EQ(result.status, 2) << line;
    EXPECT_EQ(result.output, "Select a file from green list\n") << line;
  }
}

TEST(ScriptInput, ReadsStandardInputAndWritesTheDrawingAreaAsPpm) {
  testing::TempFolder folder;
  WriteFixtures(folder.Path());
  const std::string command =
      "cd '" + folder.Path().string() + "' && printf 'click rgba.tga\\nview\\ndump out.ppm\\n' | " + ScriptCommand();
  ASSERT_EQ(std::system(command.c_str()), 0);
  const std::vector<std::uint8_t> ppm = testing::ReadBytes(folder / "out.ppm");
  const std::string header = "P6\n518 518\n255\n";
  ASSERT_EQ(ppm.size(), header.size() + 518u * 518u * 3u);
  EXPECT_TRUE(std::equal(header.begin(), header.end(), ppm.begin()));
  const auto pixel = [&](int x, int y) {
    const std::size_t offset = header.size() + (static_cast<std::size_t>(y) * 518 + x) * 3;
    return std::vector<int>{ppm[offset], ppm[offset + 1], ppm[offset + 2]};
  };
  EXPECT_EQ(pixel(0, 0), (std::vector<int>{64, 64, 64}));
  EXPECT_EQ(pixel(2, 3), (std::vector<int>{11, 42, 33}));             // image pixel (1, 2)
  EXPECT_EQ(pixel(1 + 5, 1 + 4), (std::vector<int>{130, 130, 130}));  // alpha panel, pixel (1, 1)
  // Preview of pixel (1, 0), colour (11, 2, 31) at alpha 60 over gray 64:
  // 11 * 60 / 256 + 64 * 195 / 256 = 2 + 48, and so on.
  EXPECT_EQ(pixel(1 + 5, 0 + 1), (std::vector<int>{50, 48, 55}));
}

}  // namespace
}  // namespace rastella
