// Paths as the scene files name them: host (Windows) paths, "\" separating directories.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace paths {

// The longest path text the helpers take or give, in bytes.
inline constexpr size_t kMaxPathBytes = 2048;

}  // namespace paths

// `target` relative to the directory `base` (with or without a trailing "\"): "..\" steps up
// from base, then the rest of target.  Bytes compare exactly.  A target on another drive is
// returned unchanged.  A drive root ("E:\") is a base like any other directory.  No result
// (nullopt) when base is shorter than 3 bytes, target shorter than 4, either longer than 2048
// bytes, or the result would be longer than 2048 bytes.
std::optional<std::string> RelativePath(const std::string& base, const std::string& target);

// `relative` resolved against the directory `base` (without a trailing separator): "/" and
// "\" both separate, and every "..\" in relative climbs one directory of base.  No result
// when base has fewer directories than relative climbs or the result would be longer than
// 2048 bytes.
std::optional<std::string> AbsolutePath(const std::string& base, const std::string& relative);
