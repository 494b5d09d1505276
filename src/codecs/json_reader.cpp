// JSON text → BindingProperty, built straight from the reader's events.
//
// The reader runs in its iterative mode and the builders keep their open containers on
// explicit stacks: the default reader recurses once per nesting level, and a valid document
// a million levels deep would exhaust the thread's stack.
//
// A document is built bottom-up (every container made once, with its exact size, when it
// closes). A repeated key's later value lands on the earlier one as if written over it: a
// scalar or a value of another kind replaces it, an object merges its members, an array
// appends its elements; the assembler combines them once the document is read.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string_view>

#include <fast_float/fast_float.h>
#include <rapidjson/error/en.h>
#include <rapidjson/reader.h>

#include "binding/internal/tree_assembler.h"
#include "codecs/internal/framework_json_allocator.h"
#include "codecs/internal/json_element_limit.h"
#include "codecs/json.h"
#include "util/format_text.h"

namespace Vela::detail {

// The reader's UTF-8 target encoding, noting when a \u escape decodes to U+0000. That is the
// only way a decoded string can hold a NUL (a raw NUL ends the text), so only strings with
// such an escape need scanning for where their zero-terminated text ends.
struct NulNotingUtf8 : rapidjson::UTF8<char> {
  template <typename OutputStream>
  static void Encode(OutputStream& os, unsigned codepoint) {
    if (codepoint == 0) sawEscapedNul = true;
    rapidjson::UTF8<char>::Encode(os, codepoint);
  }
  static inline thread_local bool sawEscapedNul = false;
};

}  // namespace Vela::detail

// Unescaped bytes are copied as they are, exactly as for plain UTF-8 to UTF-8 (the reader
// would otherwise decode and re-encode every character).
template <>
struct rapidjson::Transcoder<rapidjson::UTF8<char>, Vela::detail::NulNotingUtf8>
    : rapidjson::Transcoder<rapidjson::UTF8<char>, rapidjson::UTF8<char>> {};

namespace Vela {
namespace {

using detail::NulNotingUtf8;
using JsonReader = rapidjson::GenericReader<rapidjson::UTF8<char>, NulNotingUtf8, detail::FrameworkJsonAllocator>;

// No comments, no trailing commas, no NaN/Infinity literals; only the nesting is handled
// without recursion (CorrectlyRoundedNumbers re-reads the doubles). Error codes and offsets
// are the same as the default mode's.
constexpr unsigned kReaderFlags = rapidjson::kParseIterativeFlag;

// Strings and keys are taken as zero-terminated texts: a decoded "\u0000" ends them.
// Called right after the reader decoded `text`.
std::string_view DecodedText(const char* text, rapidjson::SizeType length) {
  if (!NulNotingUtf8::sawEscapedNul) return {text, length};
  NulNotingUtf8::sawEscapedNul = false;
  const void* nul = std::memchr(text, 0, length);
  return {text, nul == nullptr ? length : static_cast<std::size_t>(static_cast<const char*>(nul) - text)};
}

// Receives the reader's events and assembles the tree bottom-up. Stops the reader (a
// handler error) when a Collection cannot hold more elements.
class AssemblingHandler {
 public:
  AssemblingHandler(BindingProperty& root, std::size_t maxElements)
      : assembler_(root), maxElements_(maxElements) {}

  bool Null() {
    if (!MayAddValue()) return false;
    assembler_.PushNull();
    return true;
  }
  bool Bool(bool value) {
    if (!MayAddValue()) return false;
    assembler_.PushBool(value);
    return true;
  }
  // The reader reports numbers without a minus sign through Uint/Uint64 and numbers with
  // one through Int/Int64, so the sign of the literal picks the kind.
  bool Int(int value) { return StoreSigned(value); }
  bool Int64(int64_t value) { return StoreSigned(value); }
  bool Uint(unsigned value) { return StoreUnsigned(value); }
  bool Uint64(uint64_t value) { return StoreUnsigned(value); }
  bool Double(double value) {
    if (!MayAddValue()) return false;
    assembler_.PushFloat(value);
    return true;
  }
  bool RawNumber(const char*, rapidjson::SizeType, bool) { return false; }  // not requested
  bool String(const char* text, rapidjson::SizeType length, bool) {
    if (!MayAddValue()) return false;
    assembler_.PushString(DecodedText(text, length));
    return true;
  }

  bool StartObject() {
    if (!MayAddValue()) return false;
    assembler_.BeginStructure();
    return true;
  }
  bool Key(const char* text, rapidjson::SizeType length, bool) {
    assembler_.PushKey(DecodedText(text, length));
    return true;
  }
  bool EndObject(rapidjson::SizeType) {
    assembler_.EndStructure();
    return true;
  }

  bool StartArray() {
    if (!MayAddValue()) return false;
    assembler_.BeginCollection();
    return true;
  }
  bool EndArray(rapidjson::SizeType) {
    assembler_.EndCollection();
    return true;
  }

  void Finish() { assembler_.Finish(); }

 private:
  bool StoreSigned(int64_t value) {
    if (!MayAddValue()) return false;
    assembler_.PushSigned(value);
    return true;
  }
  bool StoreUnsigned(uint64_t value) {
    if (!MayAddValue()) return false;
    assembler_.PushUnsigned(value);
    return true;
  }
  bool MayAddValue() const noexcept {
    return !assembler_.InCollection() || assembler_.OpenChildren() < maxElements_;
  }
  detail::TreeAssembler assembler_;
  std::size_t maxElements_;
};

// Reads each of the reader's doubles again from the document's text, correctly rounded:
// the reader's own doubles are off by one unit in the last place for about three in ten of
// them, and its full-precision mode misreads numbers near the ends of the range. Integers
// that fit 64 bits stay the reader's (they are exact); everything else it passes as a double
// is re-read here with fast_float.
//
// Where the number starts: the reader parses a number on a local copy of a StringStream and
// moves the stream past it only after the handler returns, so during Double() the stream
// still points at the number's first byte (asserted below; the round-trip tests would catch
// a change). The number's text runs over the characters a JSON number is made of, and
// fast_float stops where the number the reader took ends.
//
// The reader refuses exponents past 308 and integers of more than 308 digits, but passes
// other numbers beyond the double range (0.5e309, 1.8e308): this stops the reader at them
// instead, so that they fail as 1e309 does.
template <class Handler>
class CorrectlyRoundedNumbers : public Handler {
  static_assert(rapidjson::StreamTraits<rapidjson::StringStream>::copyOptimization,
                "the reader must parse numbers on a copy of the stream");

 public:
  CorrectlyRoundedNumbers(const rapidjson::StringStream& stream, BindingProperty& root,
                          std::size_t maxElements)
      : Handler(root, maxElements), stream_(stream) {}

  bool Double(double) {
    const char* const begin = stream_.src_;
    const char* end = begin;
    while (InNumber(*end)) ++end;
    double value = 0;
    fast_float::from_chars(begin, end, value);
    if (std::isinf(value)) {
      numberTooBig_ = true;
      return false;
    }
    return Handler::Double(value);
  }
  bool numberTooBig() const noexcept { return numberTooBig_; }

 private:
  static bool InNumber(char c) {
    return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E';
  }

  const rapidjson::StringStream& stream_;
  bool numberTooBig_ = false;
};

bool IsJsonWhitespace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

BindingResult detail::ParseJsonWithElementLimit(const char* text, std::size_t maxElements) {
  BindingResult result = BindingResult::Ok();
  if (text == nullptr) return result;
  const char* start = text;
  while (IsJsonWhitespace(*start)) ++start;
  if (*start == '\0') return result;  // an empty document is an Empty value, not an error

  rapidjson::ParseResult parsed;
  bool numberTooBig = false;
  {
    NulNotingUtf8::sawEscapedNul = false;  // a failed earlier parse may have left it set
    JsonReader reader;
    rapidjson::StringStream stream(text);  // offsets count from the text's first byte
    CorrectlyRoundedNumbers<AssemblingHandler> handler(stream, result.value(), maxElements);
    parsed = reader.Parse<kReaderFlags>(stream, handler);
    if (!parsed.IsError()) {
      handler.Finish();
    }
    numberTooBig = handler.numberTooBig();
  }  // what the assembler still held is released here
  if (numberTooBig) {
    // The reader stopped at the number's first byte, where it reports overlarge numbers.
    parsed.Set(rapidjson::kParseErrorNumberTooBig, parsed.Offset());
  }
  if (parsed.IsError()) {
    const auto offset = static_cast<uint32_t>(
        std::min<std::size_t>(parsed.Offset(), UINT32_MAX));
    result.SetFailure(
        FormatText(kJsonParseErrorMessage, rapidjson::GetParseError_En(parsed.Code()), offset));
  }
  return result;
}

BindingResult ParseJson(const char* text) {
  return detail::ParseJsonWithElementLimit(text, kMaxCollectionElements);
}

BindingResult ParseJson(const std::string& text) { return ParseJson(text.c_str()); }

}  // namespace Vela
