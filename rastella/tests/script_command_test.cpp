// rastella-script as a command: its options, and what it does when its
// standard output cannot be written.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "test_support.h"

namespace rastella {
namespace {

struct CommandRun {
  std::string output;
  std::string errors;
  int status = -1;
};

// The program under test: the one built beside this test, or the command in
// RASTELLA_SCRIPT_COMMAND (the Windows build under wine, for instance).
std::string ScriptCommand() {
  const char* command = std::getenv("RASTELLA_SCRIPT_COMMAND");
  return command != nullptr ? command : "'" RASTELLA_SCRIPT_PATH "'";
}

std::string ReadText(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  std::string result = text.str();
  for (std::size_t at; (at = result.find("\r\n")) != std::string::npos;) result.erase(at, 1);
  return result;
}

// Runs `shellArguments` after the program in `folder`, with standard output
// going to `output` (a file of the folder when empty).
CommandRun RunProgram(const testing::TempFolder& folder, const std::string& shellArguments,
                      const std::string& output = "") {
  const std::string outputPath = output.empty() ? (folder / "out.txt").string() : output;
  const std::string command = "cd '" + folder.Path().string() + "' && " + ScriptCommand() + " " + shellArguments +
                              " > '" + outputPath + "' 2> '" + (folder / "err.txt").string() + "'";
  CommandRun run;
  const int status = std::system(command.c_str());
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  if (output.empty()) run.output = ReadText(folder / "out.txt");
  run.errors = ReadText(folder / "err.txt");
  return run;
}

std::size_t LineCount(const std::string& text) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

TEST(ScriptOutput, AnOutputThatCannotBeWrittenEndsTheRunWithStatusOne) {
  testing::TempFolder folder;
  const std::string command = "cd '" + folder.Path().string() + "' && printf 'status\\nlist\\n' | " + ScriptCommand() +
                              " > /dev/full 2> '" + (folder / "err.txt").string() + "'";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  const std::string errors = ReadText(folder / "err.txt");
  EXPECT_EQ(LineCount(errors), 1u) << errors;
  EXPECT_NE(errors.find("cannot write the output"), std::string::npos) << errors;
}

TEST(ScriptOutput, AWriteThatFailsMidRunStopsTheCommandsAfterIt) {
  testing::TempFolder folder;
  const testing::TestImage image = testing::NoiseImage(2, 2, 50);
  testing::WriteBytes(folder / "rock.tga",
                      testing::TgaFile(2, 24, 0x20, 2, 2, testing::StoreTgaPixels(image, 2, false)));
  // Far more output than any buffer holds, then a save.
  std::ofstream script(folder / "long.script");
  for (int i = 0; i < 2000; ++i) script << "state\n";
  script << "click rock.tga\nview\nsave-tga\n";
  script.close();
  const CommandRun run = RunProgram(folder, "long.script", "/dev/full");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(LineCount(run.errors), 1u) << run.errors;
  EXPECT_FALSE(std::filesystem::exists(folder / "TGA-rock.tga"));

  // The same script with somewhere to write runs to its end.
  const CommandRun complete = RunProgram(folder, "long.script");
  EXPECT_EQ(complete.status, 0) << complete.errors;
  EXPECT_EQ(complete.errors, "");
  EXPECT_EQ(LineCount(complete.output), 2000u * 10u);
  EXPECT_EQ(testing::ReadBytes(folder / "TGA-rock.tga"), testing::ReadBytes(folder / "rock.tga"));
}

TEST(ScriptOptions, HelpShowsEveryCommandOnOneScreen) {
  testing::TempFolder folder;
  const CommandRun run = RunProgram(folder, "--help");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.errors, "");
  EXPECT_LE(LineCount(run.output), 24u);
  std::istringstream lines(run.output);
  for (std::string line; std::getline(lines, line);) EXPECT_LE(line.size(), 80u) << line;
  EXPECT_EQ(run.output.rfind("usage: rastella-script [SCRIPT]\n", 0), 0u) << run.output;
  for (const char* command : {"folder PATH", "click NAME", "view", "save-tga", "save-alpha", "save-ztf",
                              "picture-click", "status", "texts", "state", "pixel X Y", "dump PATH", "list"}) {
    EXPECT_NE(run.output.find(command), std::string::npos) << command;
  }
  // Nothing of the viewer runs: no status line, no file.
  EXPECT_EQ(testing::FolderEntries(folder.Path()), (std::vector<std::string>{"err.txt", "out.txt"}));

  EXPECT_EQ(RunProgram(folder, "--help", "/dev/full").status, 1);
}

TEST(ScriptOptions, VersionPrintsTheProjectVersion) {
  testing::TempFolder folder;
  const CommandRun run = RunProgram(folder, "--version");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.output, "rastella-script " TEXTURE_TOOLS_VERSION "\n");
  EXPECT_EQ(run.errors, "");
  // Anything else after the program name is still a script to read.
  EXPECT_EQ(RunProgram(folder, "--versions").status, 2);
  EXPECT_EQ(RunProgram(folder, "--help --version").status, 2);
}

}  // namespace
}  // namespace rastella
