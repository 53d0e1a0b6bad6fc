// treebane, black box: the program's second run over a folder of textures
// whose backups exist (every texture rewritten from its backup through the
// mask, the rewrites made durable in batches), against cp copying the same
// textures.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "bench_images.h"
#include "common.h"

extern char** environ;

namespace bench {
namespace {

constexpr int kTextures = 10;

// Runs `program` with `arguments` in `folder`, input from /dev/null and
// output to /dev/null; true when it exits with status 0.
bool RunProgram(const std::string& program, const std::vector<std::string>& arguments, const std::string& folder) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t child = 0;
  const int failed = ::posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) return false;
  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A folder with the mask, kTextures textures and their backups.
struct TextureFolder {
  ScratchFolder folder{"treebane"};
  std::vector<std::string> names;

  TextureFolder() {
    WriteFile(folder.Path() / "treebane.data", TreeMask(11));
    for (int i = 0; i < kTextures; ++i) {
      // Built in steps: gcc 12 warns falsely about one chained concatenation.
      std::string name = "texture";
      name += std::to_string(i);
      name += ".tree.tga";
      names.push_back(name);
      WriteFile(folder.Path() / name, TreeTexture(static_cast<std::uint32_t>(100 + i)));
    }
    std::filesystem::create_directory(folder.Path() / "copies");
  }
};

void TreebaneSecondRun(benchmark::State& run) {
  TextureFolder textures;
  const std::string folder = textures.folder.Path().string();
  if (!RunProgram(TREEBANE_PATH, {}, folder)) {
    run.SkipWithError("the first run of treebane failed");
    return;
  }
  for (auto _ : run) {
    if (!RunProgram(TREEBANE_PATH, {}, folder)) {
      run.SkipWithError("treebane failed");
      break;
    }
  }
  run.SetItemsProcessed(run.iterations() * kTextures);
}

void CopyTextures(benchmark::State& run) {
  TextureFolder textures;
  std::vector<std::string> arguments = textures.names;
  arguments.push_back("copies/");
  for (auto _ : run) {
    if (!RunProgram("/bin/cp", arguments, textures.folder.Path().string())) {
      run.SkipWithError("cp failed");
      break;
    }
  }
  run.SetItemsProcessed(run.iterations() * kTextures);
}

const bool registered = [] {
  Register("Treebane/second-run/10-textures", TreebaneSecondRun);
  Register("Peer/cp/10-textures", CopyTextures);
  return true;
}();

}  // namespace
}  // namespace bench
