// The host's file facility.  Files opened for writing are written whole or not at all: the
// bytes go to a file beside the target, which replaces the target only when Close succeeds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "sdk/hoststring.h"

class HostFile {
public:
    virtual ~HostFile() = default;  // closes; a file still open for writing is discarded
    virtual bool Write(const void* data, size_t size) = 0;
    bool Write(const std::string& bytes) { return Write(bytes.data(), bytes.size()); }
    // Reads exactly size bytes; false at the end of the file.
    virtual bool Read(void* data, size_t size) = 0;
    // Reads the rest of the file.
    virtual bool ReadAll(std::string& bytes) = 0;
    // One string record: a string that a later ReadString gives back exactly.
    virtual bool WriteString(const HostString& text) = 0;
    virtual bool ReadString(HostString& text) = 0;
    // Ends the file.  For writing: false when any write failed or the file could not take
    // the target's place; the target is then unchanged.
    virtual bool Close() = 0;
};
