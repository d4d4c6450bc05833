#pragma once

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>

#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

// Runs a function in a forked child process and hands back the text it returned. Tests use it for
// changes that must not leak into the test process: dropping root, a mount namespace of its own,
// resource limits. Only the returned text crosses back; assertions belong in the parent.
//
// Fork only while the test process has a single thread: a child forked while another thread holds
// a lock (the allocator's, for one) may wait for it forever. A child that has not finished within
// the deadline is killed and reported.
struct TChildResult {
  bool Exited = false;  // the child returned normally (no exception, no signal, in time)
  std::string Text;     // what the function returned, or the exception's message
};

inline TChildResult RunInChild(const std::function<std::string()>& body, int deadlineMs = 20000) {
  int fds[2];
  if (::pipe(fds) != 0) throw std::runtime_error("pipe failed");
  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    ::close(fds[0]);
    int status = 0;
    std::string text;
    try {
      text = body();
    } catch (const std::exception& e) {
      text = e.what();
      status = 1;
    }
    for (size_t done = 0; done < text.size();) {
      const ssize_t n = ::write(fds[1], text.data() + done, text.size() - done);
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    ::_exit(status);  // no static destructors, no gtest teardown in the child
  }
  ::close(fds[1]);
  TChildResult result;
  bool timedOut = false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(deadlineMs);
  char buf[4096];
  for (;;) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd p{fds[0], POLLIN, 0};
    const int ready = left.count() > 0 ? ::poll(&p, 1, static_cast<int>(left.count())) : 0;
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) {
      timedOut = ready == 0;
      break;
    }
    const ssize_t n = ::read(fds[0], buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    result.Text.append(buf, static_cast<size_t>(n));
  }
  ::close(fds[0]);
  if (timedOut) {
    ::kill(pid, SIGKILL);
    result.Text += "\n[child killed: no result within " + std::to_string(deadlineMs) + " ms]";
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  result.Exited = !timedOut && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return result;
}

// In a child: give up root for the user "nobody", so that file permissions apply. A process that
// is not root is left as it is. False when the switch was not possible.
inline bool DropToUnprivilegedUser() {
  if (::geteuid() != 0) return true;
  const passwd* pw = ::getpwnam("nobody");
  const uid_t uid = pw ? pw->pw_uid : 65534;
  const gid_t gid = pw ? pw->pw_gid : 65534;
  if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0) return false;
  return ::geteuid() != 0 && ::setuid(0) != 0;  // and there is no way back
}

// In a child: a mount namespace of its own, so that mounts made afterwards vanish with the child
// and are never seen by the rest of the machine. False when not permitted.
inline bool PrivateMounts() {
  if (::unshare(CLONE_NEWNS) != 0) return false;
  return ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

// While alive, file permissions apply to this process: as root, the effective user and group
// become "nobody" (the real user stays root, so the destructor can switch back); any other user
// is left as it is. The switch covers every thread of the process.
class TOrdinaryUser {
 public:
  TOrdinaryUser() {
    if (::geteuid() != 0) return;
    const passwd* pw = ::getpwnam("nobody");
    const uid_t uid = pw ? pw->pw_uid : 65534;
    const gid_t gid = pw ? pw->pw_gid : 65534;
    FSwitched = ::setegid(gid) == 0 && ::seteuid(uid) == 0;
    FOk = FSwitched;
  }
  ~TOrdinaryUser() {
    if (FSwitched && (::seteuid(0) != 0 || ::setegid(0) != 0)) std::abort();
  }
  TOrdinaryUser(const TOrdinaryUser&) = delete;
  TOrdinaryUser& operator=(const TOrdinaryUser&) = delete;
  bool Ok() const { return FOk; }

 private:
  bool FSwitched = false;
  bool FOk = true;
};
