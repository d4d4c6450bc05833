#pragma once

#include <cstdio>
#include <cstdlib>

// A broken property: print it and abort, so that the fuzzer keeps the input as a finding.
[[noreturn]] inline void FuzzFail(const char* what) {
  std::fprintf(stderr, "property violated: %s\n", what);
  std::abort();
}

inline void FuzzCheck(bool ok, const char* what) {
  if (!ok) FuzzFail(what);
}
