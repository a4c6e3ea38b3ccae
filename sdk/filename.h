// HostFilename: a file name of the host, a Windows path ("C:\dir\file.ext").
#pragma once

#include "sdk/hoststring.h"

class HostFilename {
public:
    HostFilename() = default;
    HostFilename(const char* path) : path_(path) {}          // NOLINT: implicit by design
    HostFilename(HostString path) : path_(std::move(path)) {}  // NOLINT
    HostFilename(std::string path) : path_(std::move(path)) {}  // NOLINT

    const HostString& GetString() const { return path_; }
    const std::string& Str() const { return path_.Str(); }
    bool IsEmpty() const { return path_.IsEmpty(); }

    // Everything before the last separator ("\" or "/"), or empty.
    HostFilename GetDirectory() const;
    // Everything after the last separator.
    HostFilename GetFile() const;
    // The text after the last dot of the file part, without the dot.
    HostString GetSuffix() const;
    bool CheckSuffix(const HostString& suffix) const;  // case-insensitive
    // Replaces the suffix, or adds one when the file part has none.
    void SetSuffix(const HostString& suffix);
    void ClearSuffix();

    // Joins with one "\" between the parts (none added when this is empty or already
    // ends in a separator).
    friend HostFilename operator+(const HostFilename& dir, const HostFilename& name);
    HostFilename& operator+=(const HostFilename& name) { return *this = *this + name; }

    // The host's file-name comparison: ASCII letters compare without case, "/" equals "\".
    friend bool operator==(const HostFilename& a, const HostFilename& b);
    // The text as the comparison above sees it (ASCII letters in lower case, "/" as "\"):
    // two names are equal exactly when their keys are.
    std::string ComparisonKey() const;

private:
    HostString path_;
};
