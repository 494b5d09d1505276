// The positional formatter and the named templates with fuzzed templates and arguments:
// the output always ends with a NUL within the capacity and holds at most 4095 bytes.
//
// Input lines: the argument kinds (one letter each, up to three: i int32, u uint32, I
// int64, U uint64, c char, d double, s C string, S string view, v version, p text pair;
// for the named templates b bool, n signed, N unsigned, f double, t text), the capacity in
// decimal (0..5000, empty for 4096), the template, then one line per argument.
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "util/format_text.h"
#include "util/named_template.h"
#include "util/version.h"

namespace {

using namespace Vela;

template <typename T>
T Number(const std::string& text) {
  T value{};
  (void)std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

// Storage for the formatter's argument records: each points into it.
struct Arguments {
  int32_t i32[3] = {};
  uint32_t u32[3] = {};
  int64_t i64[3] = {};
  uint64_t u64[3] = {};
  char c[3] = {};
  double d[3] = {};
  const char* cstring[3] = {};
  std::string_view view[3];
  Version version[3];
  TextPair pair[3];
  std::vector<FormatArgument> records;
};

void AddArgument(Arguments& a, std::size_t n, char kind, const std::string& text) {
  switch (kind) {
    case 'i': a.i32[n] = Number<int32_t>(text); a.records.push_back({&a.i32[n], &kInt32ArgumentKind}); break;
    case 'u': a.u32[n] = Number<uint32_t>(text); a.records.push_back({&a.u32[n], &kUInt32ArgumentKind}); break;
    case 'I': a.i64[n] = Number<int64_t>(text); a.records.push_back({&a.i64[n], &kInt64ArgumentKind}); break;
    case 'U': a.u64[n] = Number<uint64_t>(text); a.records.push_back({&a.u64[n], &kUInt64ArgumentKind}); break;
    case 'c': a.c[n] = text.empty() ? '\0' : text[0]; a.records.push_back({&a.c[n], &kCharArgumentKind}); break;
    case 'd': a.d[n] = Number<double>(text); a.records.push_back({&a.d[n], &kDoubleArgumentKind}); break;
    case 's':
      // An empty line stands for a null pointer, which renders "(null)".
      a.cstring[n] = text.empty() ? nullptr : text.c_str();
      a.records.push_back({&a.cstring[n], &kCStringArgumentKind});
      break;
    case 'S': a.view[n] = text; a.records.push_back({&a.view[n], &kStringArgumentKind}); break;
    case 'v': {
      const std::size_t dash = text.find('-');
      a.version[n] = Version{};
      a.version[n].major = Number<uint32_t>(text);
      a.version[n].minor = static_cast<uint32_t>(text.size());
      a.version[n].patch = 7;
      if (dash != std::string::npos) a.version[n].preRelease = text.substr(dash + 1);
      a.records.push_back({&a.version[n], &kVersionArgumentKind});
      break;
    }
    case 'p': {
      const std::size_t colon = std::min(text.find(':'), text.size());
      a.pair[n] = TextPair{std::string_view(text).substr(0, colon), std::string_view(text).substr(colon)};
      a.records.push_back({&a.pair[n], &kTextPairArgumentKind});
      break;
    }
    default:
      break;
  }
}

TypedArgument Typed(char kind, const std::string& text) {
  switch (kind) {
    case 'b': return TypedArgument::Bool(!text.empty() && text[0] != '0');
    case 'n': return TypedArgument::Signed(Number<int64_t>(text));
    case 'N': return TypedArgument::Unsigned(Number<uint64_t>(text));
    case 'f': return TypedArgument::Double(Number<double>(text));
    default: return TypedArgument::Text(text);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const Fuzz::FuzzLines in = Fuzz::SplitLines({data, size}, 6);
  const std::string& kinds = in.lines[0];
  const std::size_t capacity = in.lines[1].empty() ? kFormatTextCapacity : Number<uint32_t>(in.lines[1]) % 5001u;
  const std::string& pattern = in.lines[2];
  const std::size_t count = std::min<std::size_t>(kinds.size(), 3);

  Arguments arguments;
  arguments.records.reserve(3);
  for (std::size_t n = 0; n < count; ++n) AddArgument(arguments, n, kinds[n], in.lines[3 + n]);

  // An exact-size heap buffer: a write past the capacity is a heap overflow.
  std::unique_ptr<char[]> buffer(capacity == 0 ? nullptr : new char[capacity]);
  if (capacity > 0) std::memset(buffer.get(), 'x', capacity);
  const std::size_t written = FormatToBuffer(buffer.get(), capacity, pattern, arguments.records.data(),
                                             static_cast<uint32_t>(arguments.records.size()));
  if (capacity == 0) {
    ARX_FUZZ_CHECK(written == 0);
  } else {
    ARX_FUZZ_CHECK(written < capacity);
    ARX_FUZZ_CHECK(buffer[written] == '\0');
  }
  const std::string text = FormatArgumentsToText(pattern, arguments.records.data(),
                                                 static_cast<uint32_t>(arguments.records.size()));
  ARX_FUZZ_CHECK(text.size() <= kFormatTextCapacity - 1);

  std::vector<TypedArgument> typed;
  for (std::size_t n = 0; n < count; ++n) typed.push_back(Typed(kinds[n], in.lines[3 + n]));
  NamedValues named;
  const std::string message = FormatNamedTemplate(pattern, typed, named);
  ARX_FUZZ_CHECK(message.size() <= kFormatTextCapacity - 1);
  std::string positional;
  ParseNamedTemplate(pattern, typed, positional, named);
  ARX_FUZZ_CHECK(FormatTypedArguments(positional, typed) == message);
  return 0;
}
