// Which shell verb plays a clip: the user's chosen program for its extension, and whether that
// program's class has a "play" command.
#pragma once

#include <string>

namespace studio {

// The class key the extension's files open with ("____" when none is known): before version
// code 8 from Explorer's "Progid" or "Application" choice, else from its "UserChoice", then from
// the extension's own class key.
std::string ClipClassKey(const std::string& extension, int windowsVersion);
// "play" when "<class>\shell\play\command" has a default value under the classes root, else "open".
std::string ClipPlayVerb(const std::string& extension, int windowsVersion);

}  // namespace studio
