// Reading back what a test or a run wrote: a JSON text as a tree, a file's bytes.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "codecs/json.h"

namespace Vela::Host::Testing {

// Text that is not JSON fails the test and reads as empty.
inline BindingProperty Json(const std::string& text) {
  BindingResult parsed = ParseJson(text);
  EXPECT_TRUE(parsed.ok()) << text;
  return parsed.ok() ? std::move(parsed).value() : BindingProperty();
}

inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

}  // namespace Vela::Host::Testing
