#include "platform/shell/known_folders.h"

#include <sys/statfs.h>
#include <sys/statvfs.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/base/paths.h"
#include "platform/base/strings.h"

namespace {

std::string WithoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// An XDG user folder from the environment, else the home's folder of that name.
std::string UserFolder(const char* variable, const char* name) {
  const char* v = std::getenv(variable);
  if (v && *v) return v;
  return platform::HomeFolder() + name;
}

std::string FolderFor(int csidl) {
  switch (csidl) {
    case CSIDL_PERSONAL: return platform::DocumentsFolder();
    case CSIDL_DESKTOP:
    case CSIDL_DESKTOPDIRECTORY: return UserFolder("XDG_DESKTOP_DIR", "Desktop");
    case CSIDL_MYMUSIC: return UserFolder("XDG_MUSIC_DIR", "Music");
    case CSIDL_MYVIDEO: return UserFolder("XDG_VIDEOS_DIR", "Videos");
    case CSIDL_MYPICTURES: return UserFolder("XDG_PICTURES_DIR", "Pictures");
    case CSIDL_APPDATA: return platform::ConfigFolder();
    // Machine-wide data lives with the user's here: nothing outside the home is ours to write.
    case CSIDL_LOCAL_APPDATA:
    case CSIDL_COMMON_APPDATA: return platform::LocalAppDataFolder();
    case CSIDL_PROGRAM_FILES: return platform::AppFolder();
    case CSIDL_WINDOWS:
    case CSIDL_SYSTEM: return "/usr";
    default: return {};
  }
}

const char* FileSystemName(long type) {
  switch (static_cast<unsigned long>(type)) {
    case 0xEF53: return "ext4";
    case 0x4D44: return "vfat";
    case 0x2011BAB0: return "exfat";
    case 0x5346544E: return "ntfs";
    case 0x65735546: return "fuseblk";
    case 0x9123683E: return "btrfs";
    case 0x58465342: return "xfs";
    case 0x01021994: return "tmpfs";
    case 0x794C7630: return "overlay";
    case 0x9660: return "iso9660";
    case 0x15013346: return "udf";
    case 0x6969: return "nfs";
    case 0xFF534D42: return "cifs";
    default: return "unknown";
  }
}

}  // namespace

HRESULT SHGetFolderPath(HWND, int csidl, HANDLE, DWORD, LPSTR path) {
  if (!path) return E_INVALIDARG;
  *path = '\0';
  const std::string folder = FolderFor(csidl & ~CSIDL_FLAG_CREATE);
  if (folder.empty()) return E_INVALIDARG;
  std::error_code ec;
  if (csidl & CSIDL_FLAG_CREATE) std::filesystem::create_directories(folder, ec);
  if (!std::filesystem::is_directory(folder, ec)) return E_FAIL;
  const std::string text = WithoutTrailingSlash(folder);
  return platform::CopyToBuffer(text, path, MAX_PATH) == static_cast<int>(text.size()) ? S_OK : E_FAIL;
}

BOOL SHGetSpecialFolderPath(HWND owner, LPSTR path, int csidl, BOOL create) {
  return SHGetFolderPath(owner, csidl | (create ? CSIDL_FLAG_CREATE : 0), nullptr, SHGFP_TYPE_CURRENT, path) == S_OK;
}

DWORD GetTempPath(DWORD size, LPSTR buffer) {
  const std::string folder = platform::TempFolder();
  if (!buffer || size < folder.size() + 1) return static_cast<DWORD>(folder.size() + 1);
  platform::CopyToBuffer(folder, buffer, size);
  return static_cast<DWORD>(folder.size());
}

BOOL GetVolumeInformation(LPCSTR root, LPSTR volumeName, DWORD volumeNameSize, DWORD* serialNumber,
                          DWORD* maxComponentLength, DWORD* fileSystemFlags, LPSTR fileSystemName,
                          DWORD fileSystemNameSize) {
  if (!root || !*root) return FALSE;
  struct statfs fs {};
  struct statvfs vfs {};
  if (statfs(root, &fs) != 0 || statvfs(root, &vfs) != 0) return FALSE;
  if (volumeName && volumeNameSize) *volumeName = '\0';
  if (serialNumber) {
    int id[2];
    static_assert(sizeof id == sizeof fs.f_fsid);
    std::memcpy(id, &fs.f_fsid, sizeof id);
    *serialNumber = static_cast<DWORD>(id[0]) ^ static_cast<DWORD>(id[1]);
  }
  if (maxComponentLength) *maxComponentLength = static_cast<DWORD>(fs.f_namelen);
  const std::string name = FileSystemName(fs.f_type);
  if (fileSystemFlags) {
    const bool fat = name == "vfat" || name == "exfat";
    DWORD flags = FILE_CASE_PRESERVED_NAMES | FILE_UNICODE_ON_DISK;
    if (!fat && name != "ntfs" && name != "fuseblk" && name != "cifs") flags |= FILE_CASE_SENSITIVE_SEARCH;
    if (vfs.f_flag & ST_RDONLY) flags |= FILE_READ_ONLY_VOLUME;
    *fileSystemFlags = flags;
  }
  if (fileSystemName && fileSystemNameSize &&
      platform::CopyToBuffer(name, fileSystemName, fileSystemNameSize) != static_cast<int>(name.size()))
    return FALSE;
  return TRUE;
}
