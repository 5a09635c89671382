// What every fuzz target does when a property it checks does not hold: say
// which one, with the input that broke it, and abort so that libFuzzer keeps
// the input.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

namespace fenmarrow {

[[noreturn]] inline void FailProperty(const char* what, const std::string& detail) {
  std::fprintf(stderr, "property broken: %s\n%s\n", what, detail.c_str());
  std::abort();
}

// ok → nothing; otherwise FailProperty(what, detail).
inline void Check(bool ok, const char* what, const std::string& detail = {}) {
  if (!ok) FailProperty(what, detail);
}

}  // namespace fenmarrow
