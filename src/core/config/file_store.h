#pragma once
#include <filesystem>
#include <optional>
#include <string>

namespace dx {

// Reads a whole file as bytes; nothing when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path);

// Replaces a file whole: the content goes to a temporary file beside it, which is flushed to disk
// and renamed over the old one. A save that fails half-way (disk full, no write permission, a
// crash) leaves the old file as it was. Answers whether the new content is in place.
bool WriteFileAtomic(const std::filesystem::path& path, const std::string& content);

}  // namespace dx
