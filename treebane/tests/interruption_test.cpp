// Ends the built program in the middle of its work and checks that no
// texture or backup is ever found half-written: each texture is its
// original or its complete rewrite, each backup is absent or the original.

#include "program_runner.h"
#include "texture_fixtures.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <sys/wait.h>

namespace treebane::testing {
namespace {

using namespace std::chrono_literals;

std::string TextureName(int index) { return "t" + std::to_string(100 + index) + ".tree.tga"; }

bool EndedBy(int status, int signalNumber) { return WIFSIGNALED(status) && WTERMSIG(status) == signalNumber; }

class Interruption : public ::testing::Test {
 protected:
  void Prepare(int textureCount) {
    mask_ = MakeMask(1, 0.5);
    for (int index = 0; index < textureCount; ++index) {
      originals_.push_back(MakeTexture(1000 + static_cast<unsigned>(index)));
      masked_.push_back(ApplyMask(originals_.back(), originals_.back(), mask_).bytes);
    }
  }
  int TextureCount() const { return static_cast<int>(originals_.size()); }

  // The mask and the original textures; backups for the textures from
  // `firstWithBackup` on.
  void ResetFolder(int firstWithBackup) const {
    for (const auto& entry : std::filesystem::directory_iterator(folder_.Path())) {
      std::filesystem::remove_all(entry.path());
    }
    WriteBytes(folder_ / "treebane.data", mask_);
    for (int index = 0; index < TextureCount(); ++index) {
      WriteBytes(folder_ / TextureName(index), originals_[index]);
      if (index >= firstWithBackup) {
        WriteBytes(folder_ / (TextureName(index) + "_org"), originals_[index]);
      }
    }
  }

  // Also: nothing else is in the folder but the mask and, after SIGKILL
  // only (which no process can catch), temporary files.
  void ExpectConsistent(bool temporaryFilesAllowed) const {
    for (int index = 0; index < TextureCount(); ++index) {
      EXPECT_TRUE(std::filesystem::is_regular_file(folder_ / TextureName(index))) << TextureName(index) << " is gone";
    }
    for (const std::string& name : FolderEntries(folder_.Path())) {
      if (name.starts_with(".treebane-") && name.ends_with(".tmp")) {
        EXPECT_TRUE(temporaryFilesAllowed) << name << " left behind";
        continue;
      }
      if (name == "treebane.data") {
        continue;
      }
      bool known = false;
      for (int index = 0; index < TextureCount(); ++index) {
        if (name == TextureName(index)) {
          known = true;
          const std::string bytes = ReadBytes(folder_ / name);
          EXPECT_TRUE(bytes == originals_[index] || bytes == masked_[index])
              << name << " is neither its original nor masked: " << SameBytes(bytes, masked_[index]).message();
        } else if (name == TextureName(index) + "_org") {
          known = true;
          EXPECT_TRUE(SameBytes(ReadBytes(folder_ / name), originals_[index])) << name;
        }
      }
      EXPECT_TRUE(known) << "unexpected entry " << name;
    }
  }

  // After a run to the end every texture is masked and every backup is
  // the original, whatever earlier runs left behind.
  void ExpectFinishedByAWholeRun() const {
    const RunResult last = RunTreebane(folder_.Path());
    EXPECT_EQ(last.status, 0);
    EXPECT_NE(last.output.find(std::to_string(TextureCount()) + " files processed"), std::string::npos);
    for (int index = 0; index < TextureCount(); ++index) {
      EXPECT_TRUE(SameBytes(ReadBytes(folder_ / TextureName(index)), masked_[index])) << TextureName(index);
      EXPECT_TRUE(SameBytes(ReadBytes(folder_ / (TextureName(index) + "_org")), originals_[index]));
    }
    ExpectConsistent(false);
  }

  // Counts, for a folder that ExpectConsistent accepts, the textures that
  // are rewritten already. A rewritten texture always has its backup.
  int RewrittenTextures() const {
    int rewritten = 0;
    for (int index = 0; index < TextureCount(); ++index) {
      if (ReadBytes(folder_ / TextureName(index)) == masked_[index]) {
        ++rewritten;
        EXPECT_TRUE(std::filesystem::is_regular_file(folder_ / (TextureName(index) + "_org")))
            << TextureName(index) << " was replaced before its backup was in place";
      }
    }
    return rewritten;
  }

  int TemporaryFiles() const {
    int count = 0;
    for (const std::string& name : FolderEntries(folder_.Path())) {
      count += name.starts_with(".treebane-") && name.ends_with(".tmp") ? 1 : 0;
    }
    return count;
  }

  // Runs the program until it is killed at call `call` of `operation`
  // ("" for any file change), as the fault injection shim counts them.
  RunResult RunKilledAt(const std::string& operation, int call) const {
    ProgramOptions options;
    options.environment = {std::string("LD_PRELOAD=") + FAULT_INJECTION_SHIM, "FAULT_OPERATION=kill",
                           "FAULT_CALL=" + std::to_string(call)};
    if (!operation.empty()) {
      options.environment.push_back("FAULT_COUNTED=" + operation);
    }
    return RunTreebane(folder_.Path(), "\n", options);
  }

  TemporaryFolder folder_;
  std::string mask_;
  std::vector<std::string> originals_;
  std::vector<std::string> masked_;
};

// Stops the program dead before each of its file writes, flushes and
// renames in turn, from the first to the last, while it makes a texture's
// backup and rewrites the texture.
TEST_F(Interruption, KilledBeforeAnyFileChange) {
  Prepare(1);
  int call = 1;
  for (;; ++call) {
    SCOPED_TRACE("killed at file change " + std::to_string(call));
    ResetFolder(TextureCount());
    ProgramOptions options;
    options.environment = {std::string("LD_PRELOAD=") + FAULT_INJECTION_SHIM, "FAULT_OPERATION=kill",
                           "FAULT_CALL=" + std::to_string(call)};
    const RunResult result = RunTreebane(folder_.Path(), "\n", options);
    if (EndedBy(result.status, SIGKILL)) {
      ExpectConsistent(true);
      if (call % 8 == 0) {
        ExpectFinishedByAWholeRun();
      }
    } else {
      ASSERT_EQ(result.status, 0);
      break;  // past the last change: the run went through
    }
    if (HasFailure() || call > 1000) {
      break;
    }
  }
  RecordProperty("file_changes", call - 1);
  // A backup copy and a rewrite of 262162 bytes through 4096-byte
  // buffers make more than 64 changes.
  EXPECT_GT(call, 64);
}

// The same for a batch of two textures, the first without a backup: the
// textures of a batch come into place one after the other, so a kill can
// leave some of them rewritten and the others not, but never a texture
// rewritten before its backup is in place.
TEST_F(Interruption, KilledAtEveryFileChangeOfABatch) {
  Prepare(2);
  int call = 1;
  int partlyRewritten = 0;
  for (;; ++call) {
    SCOPED_TRACE("killed at file change " + std::to_string(call));
    ResetFolder(1);
    const RunResult result = RunKilledAt("", call);
    if (!EndedBy(result.status, SIGKILL)) {
      ASSERT_EQ(result.status, 0);
      break;
    }
    ExpectConsistent(true);
    const int rewritten = RewrittenTextures();
    partlyRewritten += rewritten > 0 && rewritten < TextureCount() ? 1 : 0;
    if (call % 16 == 0) {
      ExpectFinishedByAWholeRun();
    }
    if (HasFailure() || call > 1000) {
      break;
    }
  }
  RecordProperty("file_changes", call - 1);
  EXPECT_GT(call, 2 * 64);
  EXPECT_GT(partlyRewritten, 0) << "no kill came between the renames of the textures";
}

// A batch holds at most 64 textures: 70 textures are committed in two
// batches, and a kill in the second leaves the first one done.
TEST_F(Interruption, BatchesHoldAtMostSixtyFourTextures) {
  Prepare(70);
  {
    SCOPED_TRACE("a first run, killed at its first sync");
    ResetFolder(TextureCount());
    ASSERT_TRUE(EndedBy(RunKilledAt("syncfs", 1).status, SIGKILL));
    ExpectConsistent(true);
    EXPECT_EQ(TemporaryFiles(), 2 * 64) << "a backup and a rewrite for each texture of the batch";
    EXPECT_EQ(RewrittenTextures(), 0);
  }
  {
    SCOPED_TRACE("a second run, killed at its second sync");
    ResetFolder(0);
    ASSERT_TRUE(EndedBy(RunKilledAt("syncfs", 2).status, SIGKILL));
    ExpectConsistent(true);
    EXPECT_EQ(TemporaryFiles(), 6);
    EXPECT_EQ(RewrittenTextures(), 64);
  }
  ExpectFinishedByAWholeRun();
}

// Signals at random moments, on a folder that keeps what earlier
// interrupted runs left and is refilled now and then.
TEST_F(Interruption, SignalsAtRandomMoments) {
  Prepare(12);
  // How long a whole first run takes here, backups included, decides
  // over which span the signals are spread.
  ResetFolder(TextureCount());
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(RunTreebane(folder_.Path()).status, 0);
  const auto wholeRun = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);

  std::mt19937 generator(20240612);
  std::uniform_int_distribution<long long> moment(0, wholeRun.count());
  const int signals[] = {SIGKILL, SIGKILL, SIGKILL, SIGTERM, SIGINT, SIGHUP};
  int rounds = 0;
  int endedMidRun = 0;
  const auto budget = std::chrono::steady_clock::now() + 1500ms;
  for (int round = 0; round < 60 && std::chrono::steady_clock::now() < budget; ++round) {
    if (round % 3 == 0) {
      ResetFolder(TextureCount());
    }
    ++rounds;
    const int signalNumber = signals[round % std::size(signals)];
    const auto delay = std::chrono::microseconds(moment(generator));
    SCOPED_TRACE("round " + std::to_string(round) + ", signal " + std::to_string(signalNumber) + " after " +
                 std::to_string(delay.count()) + " us");

    TreebaneProcess process(folder_.Path());  // standard input stays open: the run never ends by itself
    std::this_thread::sleep_for(delay);
    process.Signal(signalNumber);
    ASSERT_TRUE(EndedBy(process.Wait(), signalNumber));
    if (process.Output().find(FinalPrompt) == std::string::npos) {
      ++endedMidRun;
    }
    ExpectConsistent(signalNumber == SIGKILL);
    if (HasFailure()) {
      return;
    }
  }
  RecordProperty("rounds", rounds);
  RecordProperty("ended_mid_run", endedMidRun);
  EXPECT_GT(endedMidRun, 0) << "no signal came before the end of a run";
  ExpectFinishedByAWholeRun();
}

}  // namespace
}  // namespace treebane::testing
