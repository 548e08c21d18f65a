#include "SourceWatch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace live {

SourceWatch::SourceWatch(std::string folder) : folder_(std::move(folder)) {
  fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fd_ < 0) {
    error_ = std::string("inotify: ") + std::strerror(errno);
    return;
  }
  if (inotify_add_watch(fd_, folder_.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO) < 0) {
    error_ = folder_ + ": " + std::strerror(errno);
    close(fd_);
    fd_ = -1;
  }
}

SourceWatch::~SourceWatch() {
  if (fd_ >= 0) close(fd_);
}

std::vector<std::string> SourceWatch::changed() {
  std::vector<std::string> names;
  if (fd_ < 0) return names;
  alignas(inotify_event) char buffer[8192];
  for (;;) {
    const ssize_t got = read(fd_, buffer, sizeof buffer);
    if (got <= 0) break;  // EAGAIN: nothing more now
    for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= got;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      if (event->len > 0) {
        std::string name(event->name, strnlen(event->name, event->len));
        if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
      }
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
  }
  return names;
}

}  // namespace live
