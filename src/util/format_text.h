// The one formatter of the system's messages: a template with numbered placeholders and
// printf conversions, rendered with up to three typed arguments into bounded text.
//
//   std::string text = Vela::FormatText("Index %1 is out of range", 7);
//   std::string id = Vela::FormatText("%016llX", uint64_t{255});  // 00000000000000FF
//
// Template grammar (argument indices count from 1):
//   "%%"             one "%".
//   "%N"             bare positional placeholder: argument N (1 <= N <= argument count,
//                    no leading 0) in its kind's default form. Text right after it is
//                    ordinary text ("%1s" is argument 1 followed by "s"). It does not move
//                    the sequential counter.
//   "%N$<conv>"      positional printf conversion of argument N, e.g. "%2$-8s".
//   "%<conv>"        sequential printf conversion: takes the next argument of the
//                    sequential counter (which starts at 1), e.g. "%s", "%016llX".
//                    A number that starts with 0 or exceeds the argument count is not a
//                    position but flags and width: with two arguments "%3s" is width 3.
//   <conv>           flags "-+ #0", width ("*", "*N$" or digits), precision ("." then the
//                    same forms; a "-" right after the point is dropped), length modifier
//                    (L j t z h hh l ll), conversion letter (any next character). A "*"
//                    without "N$" takes the next sequential argument before the value's
//                    own; digits after "*" that are not closed by "$" are dropped. Only
//                    integer and character arguments may supply a "*".
//   "%" at the end   the next sequential argument in its default form ("abc%" + 1 arg).
// A conversion letter the argument's kind does not accept is replaced by the kind's
// default letter ("%1$s" on an integer prints it with "d"); a length modifier stays as
// written, so a 64-bit integer needs its "ll" in an explicit conversion ("%016llX").
//
// Failure: the formatter reports nothing and never reads past its argument list. An
// unusable placeholder (a conversion text of more than 60 bytes, an argument index past
// the count, a "*" from a missing argument or from a kind that cannot supply one) ends the
// output before it, keeping what was produced. Too small a buffer cuts the text.
//
// Rendering never allocates: FormatToBuffer works in the caller's buffer and FormatText
// allocates only the string it returns (so its texts hold at most 4095 bytes).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "util/version.h"

namespace Vela {

// FormatText renders into a buffer of this many bytes: its texts hold at most 4095 bytes.
inline constexpr std::size_t kFormatTextCapacity = 4096;

// Two texts rendered as first ":" second.
struct TextPair {
  std::string_view first;
  std::string_view second;
};

// Everything an argument kind's render operation gets for one placeholder.
struct ConversionContext {
  char* output = nullptr;       // where to write
  std::size_t written = 0;      // bytes already written before `output`
  std::size_t spaceLeft = 0;    // bytes from `output` to the end of the buffer (>= 1)
  std::string_view specification;  // "%" and the kept parts, at most 60 bytes
  std::string_view acceptedLetters;  // the first one is the default letter
  std::string_view bareModifier;     // added to a bare placeholder ("ll" for 64-bit kinds)
  const void* value = nullptr;       // the argument's object, of the kind's type
  int32_t starValues[2] = {0, 0};    // in printf order: width, then precision
  uint32_t starCount = 0;
};

// Fixed per argument type.
struct ArgumentKind {
  // Writes at context.output and returns the bytes written; returns context.spaceLeft when
  // the conversion was cut, which fills the buffer and ends the rendering.
  std::size_t (*render)(const ConversionContext& context) = nullptr;
  // The value as a 32-bit signed integer, for a "*" width or precision.
  int32_t (*toInt32)(const void* value) = nullptr;
  bool maySupplyStar = false;
  std::string_view acceptedLetters;
  std::string_view bareModifier;
};

// The kinds; the comment names the type that FormatArgument::value points at.
extern const ArgumentKind kInt32ArgumentKind;       // int32_t
extern const ArgumentKind kUInt32ArgumentKind;      // uint32_t
extern const ArgumentKind kInt64ArgumentKind;       // int64_t
extern const ArgumentKind kUInt64ArgumentKind;      // uint64_t
extern const ArgumentKind kCharArgumentKind;        // char
extern const ArgumentKind kDoubleArgumentKind;      // double
extern const ArgumentKind kCStringArgumentKind;     // const char* (null renders "(null)")
extern const ArgumentKind kStringArgumentKind;      // std::string_view
extern const ArgumentKind kVersionArgumentKind;     // Version
extern const ArgumentKind kTextPairArgumentKind;    // TextPair

// Texts of every kind end at their first NUL byte, as C strings do.
struct FormatArgument {
  const void* value = nullptr;
  const ArgumentKind* kind = nullptr;
};

// Renders `pattern` into `buffer` and returns the bytes written, without the terminating
// NUL, which is always written within `capacity` (nothing is written when capacity is 0).
// `arguments` must hold `argumentCount` records, argument 1 first; a placeholder that
// reaches a record without a kind ends the output like any unusable placeholder.
std::size_t FormatToBuffer(char* buffer, std::size_t capacity, std::string_view pattern,
                           const FormatArgument* arguments, uint32_t argumentCount);

// FormatToBuffer into a kFormatTextCapacity buffer, returned as a string.
std::string FormatArgumentsToText(std::string_view pattern, const FormatArgument* arguments,
                                  uint32_t argumentCount);

// 1.2.3, 1.2.3-beta, 1.2.3-beta+7, 1.2.3+7.
std::string VersionToText(const Version& version);

namespace detail {

template <class T>
inline constexpr bool kAlwaysFalse = false;

// Holds what a kind's value pointer needs for the duration of one FormatText call.
template <class Stored>
struct HeldArgument {
  Stored stored;
  const ArgumentKind* kind;
  FormatArgument argument() const { return {&stored, kind}; }
};

template <class T>
struct HeldReference {
  const T* object;
  const ArgumentKind* kind;
  FormatArgument argument() const { return {object, kind}; }
};

template <class T>
auto HoldArgument(const T& value) {
  using Plain = std::remove_cvref_t<T>;
  if constexpr (std::is_same_v<Plain, bool>) {
    // A bool would silently print as 1/0; callers choose its text ("true") explicitly.
    static_assert(kAlwaysFalse<T>, "FormatText takes no bool: pass its text or an integer");
  } else if constexpr (std::is_same_v<Plain, char>) {
    return HeldArgument<char>{value, &kCharArgumentKind};
  } else if constexpr (std::is_integral_v<Plain> && sizeof(Plain) <= 4) {
    if constexpr (std::is_signed_v<Plain>) {
      return HeldArgument<int32_t>{static_cast<int32_t>(value), &kInt32ArgumentKind};
    } else {
      return HeldArgument<uint32_t>{static_cast<uint32_t>(value), &kUInt32ArgumentKind};
    }
  } else if constexpr (std::is_integral_v<Plain> && sizeof(Plain) == 8) {
    if constexpr (std::is_signed_v<Plain>) {
      return HeldArgument<int64_t>{static_cast<int64_t>(value), &kInt64ArgumentKind};
    } else {
      return HeldArgument<uint64_t>{static_cast<uint64_t>(value), &kUInt64ArgumentKind};
    }
  } else if constexpr (std::is_same_v<Plain, double> || std::is_same_v<Plain, float>) {
    return HeldArgument<double>{static_cast<double>(value), &kDoubleArgumentKind};
  } else if constexpr (std::is_same_v<std::decay_t<Plain>, const char*> ||
                       std::is_same_v<std::decay_t<Plain>, char*>) {
    return HeldArgument<const char*>{value, &kCStringArgumentKind};
  } else if constexpr (std::is_same_v<Plain, std::string> ||
                       std::is_same_v<Plain, std::string_view>) {
    return HeldArgument<std::string_view>{std::string_view(value), &kStringArgumentKind};
  } else if constexpr (std::is_same_v<Plain, Version>) {
    return HeldReference<Version>{&value, &kVersionArgumentKind};
  } else if constexpr (std::is_same_v<Plain, TextPair>) {
    return HeldReference<TextPair>{&value, &kTextPairArgumentKind};
  } else if constexpr (requires {
                         std::string_view(value.first);
                         std::string_view(value.second);
                       }) {
    return HeldArgument<TextPair>{TextPair{value.first, value.second}, &kTextPairArgumentKind};
  } else {
    static_assert(kAlwaysFalse<T>, "FormatText has no argument kind for this type");
  }
}

template <class... Held>
std::string FormatHeld(std::string_view pattern, const Held&... held) {
  const FormatArgument arguments[] = {held.argument()...};
  return FormatArgumentsToText(pattern, arguments, static_cast<uint32_t>(sizeof...(Held)));
}

}  // namespace detail

// Renders `pattern` with one to three arguments. Argument types: integers of up to 64
// bits (not bool), char, float/double, C strings, std::string, std::string_view, Version,
// TextPair and pairs of two texts. The result holds at most 4095 bytes.
template <class... Args>
  requires(sizeof...(Args) >= 1 && sizeof...(Args) <= 3)
std::string FormatText(std::string_view pattern, const Args&... args) {
  return detail::FormatHeld(pattern, detail::HoldArgument(args)...);
}

}  // namespace Vela
