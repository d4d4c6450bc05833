#include "FileIO.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "FileHandle.h"
#include "SpeedoDevice.h"

namespace {

[[noreturn]] void Fail(const char* what, const std::string& fileName, int err) {
  throw EFileError(std::string(what) + " \"" + fileName + "\": " + std::strerror(err));
}

// The folder part of a path ("." for a bare name) and the last component.
struct TSplitPath {
  std::string Dir, Base;
};
TSplitPath SplitPath(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return {std::string("."), path};
  return {slash == 0 ? std::string("/") : path.substr(0, slash), path.substr(slash + 1)};
}

// A symbolic link is written through: the file it points to is replaced, the link stays.
std::string ResolveTarget(const std::string& fileName) {
  struct stat st {};
  if (::lstat(fileName.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    char* real = ::realpath(fileName.c_str(), nullptr);
    if (real) {
      std::string resolved(real);
      std::free(real);
      return resolved;
    }
  }
  return fileName;
}

void WriteAll(int fd, const std::string& content, const std::string& fileName) {
  size_t done = 0;
  while (done < content.size()) {
    const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail("Cannot write file", fileName, errno);
    }
    done += static_cast<size_t>(n);
  }
}

}  // namespace

std::optional<std::string> ReadWholeFile(const std::string& fileName) {
  // O_NONBLOCK so that opening a pipe by mistake does not hang; it is refused below.
  TFileHandle fd(::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (fd.Get() < 0) {
    if (errno == ENOENT) return std::nullopt;
    Fail("Cannot open file", fileName, errno);
  }
  struct stat st {};
  if (::fstat(fd.Get(), &st) != 0) Fail("Cannot read file", fileName, errno);
  if (S_ISDIR(st.st_mode)) Fail("Cannot read file", fileName, EISDIR);
  if (!S_ISREG(st.st_mode)) Fail("Cannot read file", fileName, EINVAL);

  std::string content;
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd.Get(), buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail("Cannot read file", fileName, errno);
    }
    if (n == 0) break;
    content.append(buf, static_cast<size_t>(n));
  }
  return content;
}

void WriteWholeFile(const std::string& fileName, const std::string& content) {
  const std::string target = ResolveTarget(fileName);
  const auto [dir, base] = SplitPath(target);
  if (base.empty()) Fail("Cannot write file", fileName, EISDIR);

  // The new file takes the old one's permissions, or the usual ones for a new file.
  mode_t mode;
  struct stat st {};
  if (::stat(target.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) Fail("Cannot write file", fileName, EISDIR);
    // A file marked read-only is not replaced, not even by a user whom the system would let.
    if (::access(target.c_str(), W_OK) != 0) Fail("Cannot write file", fileName, errno);
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) Fail("Cannot write file", fileName, EACCES);
    mode = st.st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }

  std::string tmp = (dir == "/" ? std::string("/") : dir + "/") + "." + base + ".XXXXXX";
  TFileHandle fd(::mkostemp(tmp.data(), O_CLOEXEC));
  if (fd.Get() < 0) Fail("Cannot write file", fileName, errno);
  try {
    WriteAll(fd.Get(), content, fileName);
    if (::fchmod(fd.Get(), mode) != 0) Fail("Cannot write file", fileName, errno);
    if (::fsync(fd.Get()) != 0) Fail("Cannot write file", fileName, errno);
    if (::close(fd.Release()) != 0) Fail("Cannot write file", fileName, errno);
    if (::rename(tmp.c_str(), target.c_str()) != 0) Fail("Cannot write file", fileName, errno);
  } catch (...) {
    ::unlink(tmp.c_str());
    throw;
  }
}
