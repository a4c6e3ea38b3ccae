#include "headless/files/file_batch.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <utility>

#include "headless/files/files.h"

namespace headless {

namespace {

std::string FolderOf(const std::string& path) {
    std::string folder = std::filesystem::path(path).parent_path().string();
    return folder.empty() ? "." : folder;
}

int OpenFolder(const std::string& folder) { return ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); }

// Syncs every file system that holds one of the folders, once each: the error of the sync per
// folder (0 when its file system is safe on the disk).
std::map<std::string, int> SyncFileSystems(const std::set<std::string>& folders) {
    std::map<std::string, int> errors;
    std::map<dev_t, int> synced;  // device -> the error of its sync
    for (const std::string& folder : folders) {
        const int fd = OpenFolder(folder);
        struct stat info;
        if (fd < 0 || ::fstat(fd, &info) != 0) {
            errors[folder] = errno;
            if (fd >= 0) ::close(fd);
            continue;
        }
        auto [at, first] = synced.try_emplace(info.st_dev, 0);
        if (first && ::syncfs(fd) != 0) at->second = errno;
        errors[folder] = at->second;
        ::close(fd);
    }
    return errors;
}

}  // namespace

void FileBatch::Add(std::string temp, std::string target, unsigned opened) {
    std::lock_guard lock(mutex_);
    pending_.push_back({std::move(temp), std::move(target), opened});
}

std::vector<FileBatch::Pending> FileBatch::Take() {
    std::lock_guard lock(mutex_);
    return std::exchange(pending_, {});
}

bool FileBatch::Commit(std::vector<std::string>& failed) {
    std::vector<Pending> files = Take();
    std::sort(files.begin(), files.end(), [](const Pending& a, const Pending& b) { return a.opened < b.opened; });
    std::set<std::string> folders;
    for (const Pending& file : files) folders.insert(FolderOf(file.target));
    const std::map<std::string, int> syncErrors = SyncFileSystems(folders);
    bool all = true;
    for (const Pending& file : files) {
        int error = syncErrors.at(FolderOf(file.target));
        if (!error && ::rename(file.temp.c_str(), file.target.c_str()) != 0) error = errno;
        if (error) {
            ::unlink(file.temp.c_str());
            failed.push_back(file.target);
            all = false;
        }
        if (log_) log_->Add({file.target, error ? std::strerror(error) : std::string()});
    }
    // The renames themselves made safe: each folder once.
    for (const std::string& folder : folders) {
        const int fd = OpenFolder(folder);
        if (fd < 0) continue;
        ::fsync(fd);
        ::close(fd);
    }
    return all;
}

void FileBatch::Discard() {
    for (const Pending& file : Take()) {
        ::unlink(file.temp.c_str());
        if (log_) log_->Add({file.target, std::strerror(ECANCELED)});
    }
}

}  // namespace headless
