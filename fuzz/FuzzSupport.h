#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <unistd.h>

// A broken property: print it and abort, so that the fuzzer keeps the input as a finding.
[[noreturn]] inline void FuzzFail(const char* what) {
  std::fprintf(stderr, "property violated: %s\n", what);
  std::abort();
}

inline void FuzzCheck(bool ok, const char* what) {
  if (!ok) FuzzFail(what);
}

// A folder of this process's own for the files a target writes, on a RAM file system when there
// is one (saving syncs to disk, which would dominate the run time on a real disk). It is removed
// when the process ends normally.
inline const std::string& FuzzWorkDir() {
  struct TDir {
    std::string Path;
    bool Keep = false;
    TDir() {
      // scripts/fuzz hands over a folder that it removes afterwards: libFuzzer may end the
      // process without running this destructor.
      if (const char* given = std::getenv("TORVANIC_FUZZ_DIR"); given && *given) {
        Path = given;
        Keep = true;
        return;
      }
      const char* base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
      std::string tmpl = std::string(base) + "/torvanic-fuzz-XXXXXX";
      if (!::mkdtemp(tmpl.data())) FuzzFail("cannot create the work folder");
      Path = tmpl;
    }
    ~TDir() {
      if (Keep) return;
      std::error_code ec;
      std::filesystem::remove_all(Path, ec);
    }
  };
  static const TDir dir;
  return dir.Path;
}

inline void FuzzWriteFile(const std::string& file, const uint8_t* data, size_t size) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  if (!out.flush()) FuzzFail("cannot write the input file");
}

inline std::string FuzzReadFile(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}
