// Matchers for conversion results: "holds this value" and "fails with exactly this message".
#pragma once

#include <gmock/gmock.h>

#include <string>

MATCHER_P(FailsWith, message, "fails with \"" + std::string(message) + "\"") {
  if (arg.ok()) {
    *result_listener << "which is ok";
    return false;
  }
  *result_listener << "which fails with \"" << std::string(arg.message()) << "\"";
  return arg.message() == message;
}

MATCHER_P(HoldsValue, expected, "is ok and holds the expected value") {
  if (!arg.ok()) {
    *result_listener << "which fails with \"" << std::string(arg.message()) << "\"";
    return false;
  }
  return arg.value() == expected;
}
