// The Win32 subset for files and the executable's path (on Windows these come with
// <windows.h>, from fileapi.h, handleapi.h and libloaderapi.h): reading whole data files and
// finding the folder of the running program. Constants keep their real numeric values.
#pragma once

#include "minwindef.h"

using HANDLE = void*;
using LPDWORD = DWORD*;
struct SECURITY_ATTRIBUTES;
struct OVERLAPPED;
union LARGE_INTEGER {
  LONGLONG QuadPart;
};
inline const HANDLE INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1));
constexpr DWORD MAX_PATH = 260;
constexpr DWORD GENERIC_READ = 0x80000000;
constexpr DWORD FILE_SHARE_READ = 0x00000001;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x00000010;
constexpr DWORD FILE_ATTRIBUTE_DEVICE = 0x00000040;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x00000080;
constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;
constexpr DWORD FILE_TYPE_UNKNOWN = 0x0000;
constexpr DWORD FILE_TYPE_DISK = 0x0001;
constexpr DWORD FILE_TYPE_CHAR = 0x0002;
constexpr DWORD FILE_TYPE_PIPE = 0x0003;

// The path of a module's file. NULL (or the process's instance) is the executable; any other
// module answers 0. Answers the length copied without the terminating null; a buffer too
// small for the whole path gets its first size - 1 characters and a null, and the answer is
// size (as on Windows Vista and later). 0 for a size of 0 or when the path is unknown.
DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size);

// Files, the reading subset: CreateFileA opens an existing file for reading (GENERIC_READ
// with OPEN_EXISTING; anything else is refused on standard error) without waiting for a
// writer, and refuses a directory. INVALID_HANDLE_VALUE on failure.
HANDLE CreateFileA(LPCSTR fileName, DWORD access, DWORD shareMode, SECURITY_ATTRIBUTES* security,
                   DWORD creation, DWORD flags, HANDLE templateFile);
// FILE_TYPE_DISK for a regular file, FILE_TYPE_CHAR for a character device, FILE_TYPE_PIPE
// for a pipe or socket, FILE_TYPE_UNKNOWN otherwise.
DWORD GetFileType(HANDLE file);
BOOL GetFileSizeEx(HANDLE file, LARGE_INTEGER* size);
// Synchronous reads only (overlapped must be NULL): reads until size bytes or the end of the
// file; *bytesRead says how many came.
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD size, LPDWORD bytesRead, OVERLAPPED* overlapped);
BOOL CloseHandle(HANDLE object);
// FILE_ATTRIBUTE_DIRECTORY for a folder, FILE_ATTRIBUTE_NORMAL for a regular file,
// FILE_ATTRIBUTE_DEVICE for anything else found under the name (a pipe, socket or device, which
// Windows keeps outside its file systems), INVALID_FILE_ATTRIBUTES when nothing is there.
DWORD GetFileAttributesA(LPCSTR fileName);
