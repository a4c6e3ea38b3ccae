#include "headless/files/file_batch.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>
#include <thread>
#include <map>
#include <set>
#include <utility>

#include "headless/files/files.h"
#include "headless/files/native_io.h"

namespace headless {

namespace {

std::string FolderOf(const std::string& path) {
    size_t slash = path.size();
    while (slash > 0 && !native::IsSeparator(path[slash - 1])) --slash;
    if (slash == 0) return ".";
    // A root keeps its separator: "/", "C:\".
    const bool root = slash == 1 || (native::kBackslashSeparates && path[slash - 2] == ':');
    return path.substr(0, root ? slash : slash - 1);
}

// Moves every file over its target whose error is still 0, setting the rename's error.  The
// renames are shared among the processor's threads: for a frame of many small files they are
// most of what a commit costs.
template <class Files>
void RenameAll(const Files& files, std::vector<int>& errors) {
    auto rename = [&](size_t first, size_t last) {
        for (size_t i = first; i < last; ++i) {
            if (!errors[i] && !native::Replace(files[i].temp, files[i].target)) errors[i] = errno;
        }
    };
    constexpr size_t kFilesPerThread = 1024;
    const size_t threads = std::min<size_t>(std::max(1u, std::thread::hardware_concurrency()),
                                            files.size() / kFilesPerThread + 1);
    std::vector<std::thread> helpers;
    const size_t share = files.size() / threads;
    for (size_t t = 1; t < threads; ++t) {
        try {
            helpers.emplace_back(rename, t * share, t + 1 == threads ? files.size() : (t + 1) * share);
        } catch (const std::system_error&) {
            rename(t * share, t + 1 == threads ? files.size() : (t + 1) * share);
        }
    }
    rename(0, threads > 1 ? share : files.size());
    for (std::thread& helper : helpers) helper.join();
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
    const std::map<std::string, int> syncErrors = native::SyncFileSystems(folders);
    std::vector<int> errors(files.size());
    for (size_t i = 0; i < files.size(); ++i) errors[i] = syncErrors.at(FolderOf(files[i].target));
    RenameAll(files, errors);
    bool all = true;
    for (size_t i = 0; i < files.size(); ++i) {
        const Pending& file = files[i];
        const int error = errors[i];
        if (error) {
            native::Remove(file.temp);
            failed.push_back(file.target);
            all = false;
        }
        if (log_) log_->Add({file.target, error ? std::strerror(error) : std::string()});
    }
    // The renames themselves made safe: each folder once.
    for (const std::string& folder : folders) native::SyncFolder(folder);
    return all;
}

void FileBatch::Discard() {
    for (const Pending& file : Take()) {
        native::Remove(file.temp);
        if (log_) log_->Add({file.target, std::strerror(ECANCELED)});
    }
}

}  // namespace headless
