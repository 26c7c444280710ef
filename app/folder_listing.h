// Reading a folder for the file browser, and the path steps its double-click takes.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/file_item.h"

namespace cantavo {

// The entries of `folder`: ".." first when the folder has a parent, then everything else it holds, in the
// order the file system returns them. Nothing when the folder cannot be read.
std::optional<std::vector<CFileItem>> ListFolder(const std::string& folder);

// Sorts rows with CompareFileItems on `column` (stable, so equal rows keep their order).
void SortFileItems(std::vector<CFileItem>& items, int column);

// `folder` joined with `name` by one separator.
std::string JoinPath(const std::string& folder, const std::string& name);

// The part of `path` before its last separator; "/" for a folder at the root.
std::string ParentFolder(const std::string& path);

}  // namespace cantavo
