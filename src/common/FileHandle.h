#pragma once
// The one owner of a POSIX file descriptor, shared by the profile file, the serial port and the
// simulated controller.

#include <unistd.h>

// Owns one file descriptor (or none, -1) and closes it when it goes out of scope. Movable, not
// copyable. Close errors are not reported here; a caller that must know (a file being written)
// takes the descriptor back with Release() and closes it itself.
class TFileHandle {
 public:
  TFileHandle() = default;
  explicit TFileHandle(int fd) : FFd(fd) {}
  ~TFileHandle() { Reset(); }
  TFileHandle(TFileHandle&& other) noexcept : FFd(other.Release()) {}
  TFileHandle& operator=(TFileHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  TFileHandle(const TFileHandle&) = delete;
  TFileHandle& operator=(const TFileHandle&) = delete;

  int Get() const { return FFd; }
  bool Valid() const { return FFd >= 0; }
  int Release() {
    const int fd = FFd;
    FFd = -1;
    return fd;
  }
  void Reset(int fd = -1) {
    if (FFd >= 0) ::close(FFd);
    FFd = fd;
  }

 private:
  int FFd = -1;
};
