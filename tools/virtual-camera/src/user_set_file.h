#pragma once

// Persistence of the user sets: one JSON file in the camera's state folder, replaced atomically.

#include <string>

#include "user_set_store.h"

namespace quorix {
namespace virtualcam {

inline constexpr char kUserSetFileName[] = "user_sets.json";

enum class LoadResult { Loaded, Missing, Corrupt };

// Missing leaves store untouched; Corrupt also fills error (the file itself is never modified here).
LoadResult loadUserSets(const std::string& path, UserSetStore& store, std::string& error);
// Writes a new file next to path (created exclusively, under a name of its own) and renames it over path.
// False with error on failure; the old file is then untouched and the new one removed.
bool saveUserSets(const std::string& path, const UserSetStore& store, std::string& error);

}  // namespace virtualcam
}  // namespace quorix
