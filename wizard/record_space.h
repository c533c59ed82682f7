// What a recording needs of the hard disk and the disc: the space rules of the record settings
// page, the work folder, the disc name and the speed list texts.
#pragma once

#include <string>

namespace wizard {

// Megabytes (1048576 bytes) a recording of `minutes` needs in the work folder.
double BluRayNeededMB(int minutes);
double DvdNeededMB(int minutes, double discCapacityMB);
// The capacity of the accepted disc in MB (free blocks / 512, or the type's usual size).
double DiscCapacityMB();
int MaximumMinutes();
// The output folder with a writer, else the type's folder-only folder.
std::string WorkFolder();
// "%d%02d%02d_%02d%02d" of the local time.
std::string DefaultDiscName();
// At most 16 characters, never cutting one in half.
std::string CutDiscName(const std::string& name);
// " 8.0x (11080KB/s)" for DVD; Blu-ray factors are of 4155 KB/s.
std::string SpeedText(int kbPerSecond, bool bluRay);
// The mount point of the volume that holds the path ("/" at worst).
std::string MountPointOf(const std::string& path);

}  // namespace wizard
