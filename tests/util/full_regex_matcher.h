// MatchesFullRegex: a gmock matcher that a whole text matches an ECMAScript regular
// expression, through std::regex on every platform.
//
// googletest's own MatchesRegex uses POSIX regular expressions where it has them and its
// simple dialect on Windows (no brackets, braces or groups), so a pattern with a character
// class or a count would fail there whatever the text. The same matcher everywhere keeps
// the expectations identical on every build.
//
//   EXPECT_THAT(message, Testing::MatchesFullRegex("At line: [0-9]+ col: [0-9]+"));
#pragma once

#include <gmock/gmock.h>

#include <ostream>
#include <regex>
#include <string>
#include <string_view>
#include <utility>

namespace Vela::Testing {

class FullRegexMatcher {
 public:
  using is_gtest_matcher = void;

  explicit FullRegexMatcher(std::string pattern)
      : pattern_(std::move(pattern)), expression_(pattern_, std::regex::ECMAScript) {}

  bool MatchAndExplain(std::string_view text, std::ostream* /*listener*/) const {
    return std::regex_match(text.begin(), text.end(), expression_);
  }
  void DescribeTo(std::ostream* os) const { *os << "matches the regular expression \"" << pattern_ << '"'; }
  void DescribeNegationTo(std::ostream* os) const {
    *os << "does not match the regular expression \"" << pattern_ << '"';
  }

 private:
  std::string pattern_;
  std::regex expression_;
};

// Throws std::regex_error for a malformed pattern (a fault in the test itself).
inline FullRegexMatcher MatchesFullRegex(std::string pattern) { return FullRegexMatcher(std::move(pattern)); }

}  // namespace Vela::Testing
