// The path work behind EnsureFolder: normalising a target path and deriving
// the folders that must exist before the file can be written.
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace net {

// Every "/" becomes "\", every "\\" becomes "\" (one pass from the left, so
// four backslashes become two), and NUL characters are removed.
std::string NormalisePath(std::string_view path);

struct FolderPlan {
    std::string drive;                  // the text up to and including the first ":", e.g. "C:"
    std::string folders;                // the folder part, without leading or trailing "\"
    std::vector<std::string> prefixes;  // "a", "a\b", "a\b\c": created in this order when missing
};

// For a normalised path: a path holding a "." somewhere names a file, and its
// folder part runs from after the drive to the last "\"; a path without any
// "." is taken as folders throughout. Nothing when the path has no drive part
// (no ":").
std::optional<FolderPlan> PlanFolders(std::string_view normalisedPath);

}  // namespace net
