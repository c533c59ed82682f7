// Well-known folders by CSIDL, the temporary folder and the facts of a volume, in this system's
// "/" paths (folder paths come back without a trailing "/", as the callers expect to add it).
#pragma once

#include "platform/base/win_types.h"

constexpr int CSIDL_DESKTOP = 0x0000;
constexpr int CSIDL_PERSONAL = 0x0005;
constexpr int CSIDL_MYDOCUMENTS = CSIDL_PERSONAL;
constexpr int CSIDL_MYMUSIC = 0x000D;
constexpr int CSIDL_MYVIDEO = 0x000E;
constexpr int CSIDL_DESKTOPDIRECTORY = 0x0010;
constexpr int CSIDL_APPDATA = 0x001A;
constexpr int CSIDL_LOCAL_APPDATA = 0x001C;
constexpr int CSIDL_COMMON_APPDATA = 0x0023;
constexpr int CSIDL_WINDOWS = 0x0024;
constexpr int CSIDL_SYSTEM = 0x0025;
constexpr int CSIDL_PROGRAM_FILES = 0x0026;
constexpr int CSIDL_MYPICTURES = 0x0027;
constexpr int CSIDL_FLAG_CREATE = 0x8000;
constexpr DWORD SHGFP_TYPE_CURRENT = 0;

// MAX_PATH bytes into `path`; E_INVALIDARG for a folder this system has no place for, E_FAIL
// when it is missing (and not asked to be made with CSIDL_FLAG_CREATE).
HRESULT SHGetFolderPath(HWND owner, int csidl, HANDLE token, DWORD flags, LPSTR path);
BOOL SHGetSpecialFolderPath(HWND owner, LPSTR path, int csidl, BOOL create);

// The temporary folder with a trailing "/"; its length, or the size needed (NUL included) when
// the buffer is too small.
DWORD GetTempPath(DWORD size, LPSTR buffer);

constexpr DWORD FILE_CASE_SENSITIVE_SEARCH = 0x00000001;
constexpr DWORD FILE_CASE_PRESERVED_NAMES = 0x00000002;
constexpr DWORD FILE_UNICODE_ON_DISK = 0x00000004;
constexpr DWORD FILE_READ_ONLY_VOLUME = 0x00080000;

// The file system holding `root` (any path on it): an empty label, a serial number from the file
// system id, the longest name, flags and the file system's name ("ext4", "vfat", "ntfs", ...).
// FALSE when the path cannot be examined.
BOOL GetVolumeInformation(LPCSTR root, LPSTR volumeName, DWORD volumeNameSize, DWORD* serialNumber,
                          DWORD* maxComponentLength, DWORD* fileSystemFlags, LPSTR fileSystemName,
                          DWORD fileSystemNameSize);
