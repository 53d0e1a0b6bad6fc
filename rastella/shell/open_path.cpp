#include "shell/open_path.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

#include "shell/file_access.h"
#include "shell/utf8_path.h"

namespace rastella {

namespace {

namespace fs = std::filesystem;

// `path` (UTF-8 text) absolute and normal, without a trailing separator
// except at a root.
fs::path NormalPath(const fs::path& path) {
  std::error_code error;
  fs::path absolute = fs::absolute(path, error);
  if (error) {
    absolute = path;
  }
  fs::path normal = absolute.lexically_normal();
  // "/photos/" keeps an empty last component.
  if (!normal.has_filename() && normal.has_relative_path()) {
    normal = normal.parent_path();
  }
  return normal;
}

bool CanListFolder(const fs::path& folder) {
  std::error_code error;
  fs::directory_iterator entries(folder, error);
  return !error;
}

bool CanReadFile(const fs::path& file) {
  std::ifstream stream(file, std::ios::binary);
  return stream.is_open();
}

// The entry of the file list that names `name`, or empty.  Windows finds
// a file whatever the letter case of its name.
std::string ListedName(const std::vector<std::string>& listed, const std::string& name) {
  const auto same = [&name](const std::string& entry) {
#ifdef _WIN32
    return std::equal(entry.begin(), entry.end(), name.begin(), name.end(), [](char left, char right) {
      const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
      return lower(left) == lower(right);
    });
#else
    return entry == name;
#endif
  };
  const auto found = std::find_if(listed.begin(), listed.end(), same);
  return found == listed.end() ? std::string() : *found;
}

OpenTarget Refused(const std::string& status) {
  OpenTarget target;
  target.status = status;
  return target;
}

}  // namespace

OpenTarget ResolveOpenPath(const std::string& path) {
  fs::path given;
  try {
    given = PathFromUtf8(path);
  } catch (const std::exception&) {
    return Refused("WARNING  :  Cannot open " + path);  // not a name the system can carry
  }
  const fs::path normal = NormalPath(given);
  std::error_code error;
  const fs::file_status status = fs::status(normal, error);
  if (path.empty() || status.type() == fs::file_type::not_found) {
    return Refused("WARNING  :  Cannot find " + path);
  }
  OpenTarget target;
  if (fs::is_directory(status)) {
    if (!CanListFolder(normal)) {
      return Refused("WARNING  :  Cannot open " + path);
    }
    target.kind = OpenTarget::Kind::Folder;
    target.folder = Utf8FromPath(normal);
    return target;
  }
  if (!fs::is_regular_file(status) || !CanReadFile(normal)) {
    return Refused("WARNING  :  Cannot open " + path);
  }
  target.folder = Utf8FromPath(normal.parent_path());
  const std::string name = Utf8FromPath(normal.filename());
  target.fileName = ListedName(ListTgaFiles(target.folder), name);
  if (!target.fileName.empty()) {
    target.kind = OpenTarget::Kind::File;
    return target;
  }
  // The file list shows only what it can list and only "*.tga" files.
  if (!CanListFolder(normal.parent_path())) {
    return Refused("WARNING  :  Cannot open " + path);
  }
  target.kind = OpenTarget::Kind::Folder;
  target.status = "WARNING  :  " + name + " is not a *.tga file";
  return target;
}

}  // namespace rastella
