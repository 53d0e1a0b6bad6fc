// Several runs of the built program started at once in one folder: they
// take turns, so every texture ends processed once from its own original,
// and a run killed while another waits loses nothing.

#include "program_runner.h"
#include "texture_fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <memory>
#include <string>
#include <vector>

namespace treebane::testing {
namespace {

using namespace std::chrono_literals;

constexpr int TextureCount = 100;
const std::string WaitLine = "Another treebane run is working in this folder - waiting for it to end\r\n";

std::string TextureName(int index) { return "t" + std::to_string(100 + index) + ".tree.tga"; }

class ConcurrentRuns : public ::testing::Test {
 protected:
  void SetUp() override {
    mask_ = MakeMask(7, 0.5);
    for (int index = 0; index < TextureCount; ++index) {
      originals_.push_back(MakeTexture(5000 + static_cast<unsigned>(index)));
      const MaskedTexture masked = ApplyMask(originals_.back(), originals_.back(), mask_);
      masked_.push_back(masked.bytes);
      cleared_ += masked.cleared;
    }
  }

  // The mask and the original textures, no backups.
  void ResetFolder() const {
    for (const auto& entry : std::filesystem::directory_iterator(folder_.Path())) {
      std::filesystem::remove_all(entry.path());
    }
    WriteBytes(folder_ / "treebane.data", mask_);
    for (int index = 0; index < TextureCount; ++index) {
      WriteBytes(folder_ / TextureName(index), originals_[index]);
    }
  }

  // The transcript of a whole run, each texture's lines given by `backupMade`.
  std::string WholeRun(bool backupsMade) const {
    std::vector<std::string> lines;
    for (int index = 0; index < TextureCount; ++index) {
      lines.push_back("");
      lines.push_back(backupsMade ? "Saving " + TextureName(index) : TextureName(index) + "_org allready excists");
      lines.push_back("Processing " + TextureName(index));
    }
    return Transcript(lines, TextureCount, cleared_);
  }

  // Every texture masked from its own original, every backup that
  // original, nothing else in the folder.
  void ExpectEveryTextureProcessed() const {
    std::vector<std::string> expected = {"treebane.data"};
    for (int index = 0; index < TextureCount; ++index) {
      const std::string name = TextureName(index);
      EXPECT_TRUE(SameBytes(ReadBytes(folder_ / name), masked_[index])) << name;
      EXPECT_TRUE(SameBytes(ReadBytes(folder_ / (name + "_org")), originals_[index])) << name << "_org";
      expected.push_back(name);
      expected.push_back(name + "_org");
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(FolderEntries(folder_.Path()), expected);
  }

  TemporaryFolder folder_;
  std::string mask_;
  std::vector<std::string> originals_;
  std::vector<std::string> masked_;
  std::int64_t cleared_ = 0;
};

// Two and three runs started together, a few times each: one makes every
// backup, the others wait for it, say so in one line, and then find every
// backup present. The run that never waited prints exactly what a run on
// its own prints.
TEST_F(ConcurrentRuns, RunsStartedTogetherTakeTurns) {
  int waited = 0;
  for (const int runCount : {2, 3, 2, 3}) {
    SCOPED_TRACE(std::to_string(runCount) + " runs at once, round with " + std::to_string(waited) + " waits so far");
    ResetFolder();
    std::vector<std::unique_ptr<TreebaneProcess>> runs;
    for (int run = 0; run < runCount; ++run) {
      runs.push_back(std::make_unique<TreebaneProcess>(folder_.Path()));
    }
    for (auto& run : runs) {
      run->Type("\n");
      run->CloseInput();
    }
    int backupMakers = 0;
    for (auto& run : runs) {
      const int status = run->Wait(120s);
      ASSERT_FALSE(run->TimedOut());
      EXPECT_TRUE(EndedNormally(status));
      std::string output = run->Output();
      const std::size_t afterIntroduction = Introduction().size();
      if (output.compare(afterIntroduction, WaitLine.size(), WaitLine) == 0) {
        output.erase(afterIntroduction, WaitLine.size());
        ++waited;
      }
      if (output == WholeRun(true)) {
        ++backupMakers;
      } else {
        EXPECT_EQ(output, WholeRun(false));
      }
    }
    EXPECT_EQ(backupMakers, 1);
    ExpectEveryTextureProcessed();
    if (HasFailure()) {
      return;
    }
  }
  RecordProperty("waits", waited);
  EXPECT_GE(waited, 4) << "the runs did not overlap";
}

// A run killed with SIGKILL in the middle of its work while a second one
// waits: the second takes over as soon as the first is gone, removes what
// the first left behind and finishes the whole folder. The lines of a batch
// of textures appear together once it is committed, so the kill comes in a
// batch after the one of the texture named; each of them leaves a whole
// batch of work or more.
TEST_F(ConcurrentRuns, KilledRunLeavesTheWaitingOneToFinish) {
  for (const int killedAt : {3, 40, 60}) {
    SCOPED_TRACE("first run killed at " + TextureName(killedAt));
    ResetFolder();
    TreebaneProcess first(folder_.Path());
    ASSERT_TRUE(first.WaitForOutput("Saving " + TextureName(killedAt), 60s));
    TreebaneProcess second(folder_.Path());
    second.Type("\n");
    second.CloseInput();
    ASSERT_TRUE(second.WaitForOutput(WaitLine, 20s)) << second.Output();
    first.Signal(SIGKILL);
    first.Wait();

    const int status = second.Wait(120s);
    ASSERT_FALSE(second.TimedOut());
    EXPECT_TRUE(EndedNormally(status));
    const std::string& output = second.Output();
    EXPECT_EQ(output.find(WaitLine), Introduction().size());
    EXPECT_NE(output.find(std::to_string(TextureCount) + " files processed\r\n"), std::string::npos);
    EXPECT_NE(output.find(TextureName(0) + "_org allready excists"), std::string::npos);
    EXPECT_EQ(output.find("could not be processed"), std::string::npos);
    ExpectEveryTextureProcessed();
    if (HasFailure()) {
      return;
    }
  }
}

// A run that sits at its final prompt keeps no other run waiting.
TEST_F(ConcurrentRuns, RunAtItsPromptKeepsNoOneWaiting) {
  ResetFolder();
  TreebaneProcess first(folder_.Path());
  ASSERT_TRUE(first.WaitForOutput(FinalPrompt, 60s));
  const RunResult second = RunTreebane(folder_.Path());
  EXPECT_TRUE(EndedNormally(second.status));
  EXPECT_EQ(second.output, WholeRun(false));
  first.CloseInput();
  EXPECT_TRUE(EndedNormally(first.Wait()));
  EXPECT_EQ(first.Output(), WholeRun(true));
  ExpectEveryTextureProcessed();
}

}  // namespace
}  // namespace treebane::testing
