// Names and keys the main program shares with its packs and the suite's other programs.
#pragma once

namespace studio {

// Caption of every box, title of the splash and About box, and the title a second start looks for.
inline constexpr const char* kProductTitle = "Narvell Vidarro 5.0";
inline constexpr const char* kProductKey = "SOFTWARE\\Narvell\\Vidarro 5";
// The burner pack's own key: its TempFolder is the program's work folder too.
inline constexpr const char* kBurnerKey = "SOFTWARE\\Narvell\\Vidarro 5\\Tessmor";
inline constexpr const char* kProgramVersion = "5.0.25";

// Senders of pack commands.
inline constexpr const char* kHostSender = "Vidarro5";
inline constexpr const char* kEditorSender = "Lumbrel";
inline constexpr const char* kBurnerSender = "Tessmor";

inline constexpr const char* kEditorProgId = "QnPack.Editor_5";
inline constexpr const char* kBurnerProgId = "QnPack.BurnDisk_Vidarro50";

// The project that has no file yet.
inline constexpr const char* kUntitledProject = "Untitle";

}  // namespace studio
