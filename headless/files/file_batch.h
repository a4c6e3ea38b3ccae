// Files written as a batch: each is finished in a temporary file beside its target, and the
// batch moves them into place together, after one sync of each file system they are on, so
// that a frame of many files waits for the disk once, and no file takes its place before its
// bytes are safe.
#pragma once

#include <mutex>
#include <string>
#include <vector>

namespace headless {

class WriteLog;

class FileBatch {
public:
    explicit FileBatch(WriteLog* log) : log_(log) {}
    FileBatch(const FileBatch&) = delete;
    FileBatch& operator=(const FileBatch&) = delete;
    // Files never committed are discarded; their targets stay as they were.
    ~FileBatch() { Discard(); }

    // A finished temporary file that is to replace `target`; safe to call from several threads.
    // `opened`: when the file was opened, against the others; files finished in any order
    // take their places (and appear in the write log) in the order they were opened.
    void Add(std::string temp, std::string target, unsigned opened);
    // Syncs each file system of the batch once, moves every file over its target and syncs
    // each folder once.  Each outcome goes to the write log; false when any file could not take
    // its place (`failed` gets its target, and the target is unchanged).
    bool Commit(std::vector<std::string>& failed);
    // Drops every pending file, logging it as not written.
    void Discard();

private:
    struct Pending {
        std::string temp, target;
        unsigned opened;
    };
    std::vector<Pending> Take();

    std::mutex mutex_;
    std::vector<Pending> pending_;
    WriteLog* log_;
};

}  // namespace headless
