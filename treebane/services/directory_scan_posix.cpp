// Current directory and wildcard scan on POSIX.

#include "directory_scan.h"

#include "name_pattern.h"

#include <algorithm>
#include <cerrno>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace treebane {

struct DirectoryScan {
    std::vector<std::string> names;
    // Index of the current entry plus one: 0 before the first NextMatch.
    std::size_t position = 0;
};

namespace {

bool IsRegularFile(int folder, const dirent& entry)
{
    if (entry.d_type != DT_UNKNOWN) {
        return entry.d_type == DT_REG;
    }
    struct stat status{};
    return ::fstatat(folder, entry.d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(status.st_mode);
}

}  // namespace

void DirectoryScanDeleter::operator()(DirectoryScan* scan) const noexcept
{
    delete scan;
}

std::string WorkingDirectory()
{
    std::string directory(256, '\0');
    for (;;) {
        if (::getcwd(directory.data(), directory.size()) != nullptr) {
            directory.resize(directory.find('\0'));
            break;
        }
        if (errno != ERANGE) {
            return std::string();
        }
        directory.resize(directory.size() * 2);
    }
    if (directory.empty()) {
        return directory;
    }
    if (directory.back() != '/') {
        directory += '/';
    }
    return directory;
}

ScanHandle BeginScan(const std::string& directory, const std::string& pattern)
{
    DIR* listing = ::opendir(directory.empty() ? "." : directory.c_str());
    if (listing == nullptr) {
        return ScanHandle();
    }
    ScanHandle scan(new DirectoryScan);
    const int folder = ::dirfd(listing);
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(listing);
        if (entry == nullptr) {
            break;
        }
        if (MatchesPattern(entry->d_name, pattern) && IsRegularFile(folder, *entry)) {
            scan->names.emplace_back(entry->d_name);
        }
    }
    const bool listingFailed = errno != 0;
    ::closedir(listing);
    if (listingFailed) {
        return ScanHandle();
    }
    // std::string compares its characters as unsigned bytes.
    std::sort(scan->names.begin(), scan->names.end());
    return scan;
}

bool NextMatch(DirectoryScan* scan)
{
    if (scan == nullptr || scan->position > scan->names.size()) {
        return false;
    }
    ++scan->position;
    return scan->position <= scan->names.size();
}

std::string MatchName(const DirectoryScan* scan)
{
    if (scan == nullptr || scan->position == 0 || scan->position > scan->names.size()) {
        return std::string();
    }
    return scan->names[scan->position - 1];
}

void EndScan(ScanHandle& scan)
{
    scan.reset();
}

bool PathExists(const std::string& path)
{
    struct stat status{};
    if (::lstat(path.c_str(), &status) == 0) {
        return true;
    }
    return errno != ENOENT && errno != ENOTDIR;
}

}  // namespace treebane
