// The module path and the reading subset of the file API over POSIX descriptors. A handle is
// the descriptor plus one, so that no open file is a null handle.
#include <fcntl.h>
#include <fileapi.h>
#include <sys/stat.h>
#include <unistd.h>
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

int descriptorOf(HANDLE file) {
  if (!file || file == INVALID_HANDLE_VALUE) return -1;
  return static_cast<int>(reinterpret_cast<LONG_PTR>(file) - 1);
}

HANDLE handleOf(int descriptor) {
  return reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(descriptor) + 1);
}

// The executable's path, read once: it cannot change while the process runs.
const std::string& executablePath() {
  static const std::string path = [] {
    std::string read(256, '\0');
    for (;;) {
      const ssize_t length = readlink("/proc/self/exe", read.data(), read.size());
      if (length <= 0) return std::string();
      if (static_cast<std::size_t>(length) < read.size()) {
        read.resize(static_cast<std::size_t>(length));
        return read;
      }
      read.resize(read.size() * 2);  // the path may have been cut: ask again with more room
    }
  }();
  return path;
}

}  // namespace

DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size) {
  if (module && module != GetModuleHandleA(nullptr)) return 0;
  const std::string& path = executablePath();
  if (path.empty() || !fileName || size == 0) return 0;
  if (path.size() < size) {
    std::memcpy(fileName, path.c_str(), path.size() + 1);
    return static_cast<DWORD>(path.size());
  }
  std::memcpy(fileName, path.data(), size - 1);
  fileName[size - 1] = '\0';
  return size;
}

HANDLE CreateFileA(LPCSTR fileName, DWORD access, DWORD, SECURITY_ATTRIBUTES*, DWORD creation,
                   DWORD, HANDLE) {
  if (access != GENERIC_READ || creation != OPEN_EXISTING) {
    std::fprintf(stderr,
                 "win32: CreateFileA(access 0x%x, creation %u) refused: only GENERIC_READ of an "
                 "existing file (OPEN_EXISTING) is implemented\n",
                 access, creation);
    return INVALID_HANDLE_VALUE;
  }
  if (!fileName) return INVALID_HANDLE_VALUE;
  // Opened without blocking, so that a pipe under the name does not wait for a writer; reads
  // then block as Windows' synchronous reads do.
  const int descriptor = open(fileName, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (descriptor < 0) return INVALID_HANDLE_VALUE;
  struct stat status;
  if (fstat(descriptor, &status) != 0 || S_ISDIR(status.st_mode) ||
      fcntl(descriptor, F_SETFL, 0) != 0) {
    close(descriptor);
    return INVALID_HANDLE_VALUE;
  }
  return handleOf(descriptor);
}

DWORD GetFileType(HANDLE file) {
  struct stat status;
  if (fstat(descriptorOf(file), &status) != 0) return FILE_TYPE_UNKNOWN;
  if (S_ISREG(status.st_mode)) return FILE_TYPE_DISK;
  if (S_ISCHR(status.st_mode)) return FILE_TYPE_CHAR;
  if (S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode)) return FILE_TYPE_PIPE;
  return FILE_TYPE_UNKNOWN;
}

BOOL GetFileSizeEx(HANDLE file, LARGE_INTEGER* size) {
  struct stat status;
  if (!size || fstat(descriptorOf(file), &status) != 0) return FALSE;
  size->QuadPart = status.st_size;
  return TRUE;
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD size, LPDWORD bytesRead, OVERLAPPED* overlapped) {
  if (bytesRead) *bytesRead = 0;
  if (overlapped) {
    std::fprintf(stderr, "win32: ReadFile with OVERLAPPED refused: only synchronous reads\n");
    return FALSE;
  }
  const int descriptor = descriptorOf(file);
  if (descriptor < 0 || (!buffer && size > 0)) return FALSE;
  DWORD done = 0;
  while (done < size) {
    const ssize_t got = read(descriptor, static_cast<char*>(buffer) + done, size - done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return FALSE;
    if (got == 0) break;  // the end of the file
    done += static_cast<DWORD>(got);
  }
  if (bytesRead) *bytesRead = done;
  return TRUE;
}

BOOL CloseHandle(HANDLE object) {
  const int descriptor = descriptorOf(object);
  return descriptor >= 0 && close(descriptor) == 0 ? TRUE : FALSE;
}

DWORD GetFileAttributesA(LPCSTR fileName) {
  struct stat status;
  if (!fileName || stat(fileName, &status) != 0) return INVALID_FILE_ATTRIBUTES;
  if (S_ISDIR(status.st_mode)) return FILE_ATTRIBUTE_DIRECTORY;
  if (S_ISREG(status.st_mode)) return FILE_ATTRIBUTE_NORMAL;
  return FILE_ATTRIBUTE_DEVICE;
}
