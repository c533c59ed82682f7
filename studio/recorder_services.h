// File services the audio recorder takes from the main program: free space, the trash and the
// user's player. No window code.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace studio {

// Free megabytes of the volume holding `folder`, 0 when it cannot be asked.
std::uint64_t GetFreeDiskSpaceMB(const std::string& folder);
// The same, with an unknown answer told apart from a full volume.
std::optional<std::uint64_t> FreeDiskSpaceMB(const std::string& folder);
// Moves the file to the desktop trash without questions; true when it went there.
bool SendFileToRecycleBin(const std::string& path);
// Opens the file with the player the user chose for its kind; true when one was started.
bool PlayWithAssociatedPlayer(const std::string& path);

}  // namespace studio
