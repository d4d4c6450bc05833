#pragma once
// The device side of a serial port on Linux: an owned file descriptor, the exclusive open used by
// both the component and the port enumeration, line settings and the error texts shown to the user.

#include "ComTypes.h"
#include "FileHandle.h"

#include <cstdint>
#include <string>
#include <utility>

// An exclusively opened terminal device. Closing it gives up the exclusive mode first: the mode
// outlives this descriptor when another one keeps the device open (the simulated controller does).
class TPortHandle {
 public:
  TPortHandle() = default;
  explicit TPortHandle(TFileHandle file) : FFile(std::move(file)) {}
  ~TPortHandle();
  TPortHandle(TPortHandle&&) noexcept = default;
  TPortHandle& operator=(TPortHandle&& other) noexcept;

  int Get() const { return FFile.Get(); }
  bool Valid() const { return FFile.Valid(); }

 private:
  TFileHandle FFile;
};

// Opens a terminal device for reading and writing, non-blocking, as no controlling terminal, and
// takes it exclusively: an advisory lock that every other opener (root included) runs into, plus
// the terminal's own exclusive mode. All or nothing: on failure nothing stays open and `err`
// holds the errno that explains it (EBUSY when another program holds the port, ENOTTY when the
// name is not a terminal).
TPortHandle OpenExclusive(const std::string& path, int& err);

// The operating system's text for `err`. For "Permission denied" a hint follows, naming the group
// that owns the device node, since on Linux the user must be a member of it.
std::string OpenErrorText(int err, const std::string& path);

// Raw mode at 19200 baud with the given character format, no flow control of any kind, no parity
// checking, reads that never block. The settings are read back: the result is empty when they
// took, otherwise the reason in words for the user (the device refused them, or it changed some).
std::string ApplyLineSettings(int fd, uint8_t dataBits, TParity parity, TStopBit stopBits);
