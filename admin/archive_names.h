// The names members are stored under in a backup archive, and where a stored
// name may be written back. Only "Data\" or "Arhiva\" followed by a plain file
// name is accepted, so an archive can never place a file anywhere else.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace lumi::archive {

inline constexpr std::string_view kDataFolder = "Data";
inline constexpr std::string_view kArchiveFolder = "Arhiva";

// "Data\" or "Arhiva\" (the folder given) followed by the file's name in
// Windows-1250; nothing when the name has no such form or cannot be restored.
std::optional<std::string> StoredName(std::string_view folder, const std::filesystem::path& file);

// root/Data/name or root/Arhiva/name for a stored name; nothing for any other
// name (absolute, climbing out with "..", in a sub-folder, an unknown folder,
// a device name, a character no file name may hold).
std::optional<std::filesystem::path> PlaceOf(std::string_view storedName,
                                             const std::filesystem::path& root);

// The stored name as UTF-8, for messages and listings; control characters
// show as "?".
std::string PrintableName(std::string_view storedName);

}  // namespace lumi::archive
