#include "codecs/msgpack.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "binding/internal/tree_assembler.h"
#include "binding/internal/work_stack.h"
#include "util/byte_swap.h"
#include "util/format_text.h"

namespace Vela {
namespace {

// The format family of each first byte.
enum class Format : uint8_t {
  PositiveFixint,
  FixMap,
  FixArray,
  FixStr,
  Nil,
  NeverUsed,
  False,
  True,
  Bin8,
  Bin16,
  Bin32,
  Ext,  // ext 8, 16, 32
  Float32,
  Float64,
  Uint8,
  Uint16,
  Uint32,
  Uint64,
  Int8,
  Int16,
  Int32,
  Int64,
  FixExt,  // fixext 1, 2, 4, 8, 16
  Str8,
  Str16,
  Str32,
  Array16,
  Array32,
  Map16,
  Map32,
  NegativeFixint,
};

constexpr std::array<Format, 256> MakeFormatTable() {
  std::array<Format, 256> table{};
  auto fill = [&table](unsigned first, unsigned last, Format format) {
    for (unsigned byte = first; byte <= last; ++byte) {
      table[byte] = format;
    }
  };
  fill(0x00, 0x7F, Format::PositiveFixint);
  fill(0x80, 0x8F, Format::FixMap);
  fill(0x90, 0x9F, Format::FixArray);
  fill(0xA0, 0xBF, Format::FixStr);
  fill(0xC0, 0xC0, Format::Nil);
  fill(0xC1, 0xC1, Format::NeverUsed);
  fill(0xC2, 0xC2, Format::False);
  fill(0xC3, 0xC3, Format::True);
  fill(0xC4, 0xC4, Format::Bin8);
  fill(0xC5, 0xC5, Format::Bin16);
  fill(0xC6, 0xC6, Format::Bin32);
  fill(0xC7, 0xC9, Format::Ext);
  fill(0xCA, 0xCA, Format::Float32);
  fill(0xCB, 0xCB, Format::Float64);
  fill(0xCC, 0xCC, Format::Uint8);
  fill(0xCD, 0xCD, Format::Uint16);
  fill(0xCE, 0xCE, Format::Uint32);
  fill(0xCF, 0xCF, Format::Uint64);
  fill(0xD0, 0xD0, Format::Int8);
  fill(0xD1, 0xD1, Format::Int16);
  fill(0xD2, 0xD2, Format::Int32);
  fill(0xD3, 0xD3, Format::Int64);
  fill(0xD4, 0xD8, Format::FixExt);
  fill(0xD9, 0xD9, Format::Str8);
  fill(0xDA, 0xDA, Format::Str16);
  fill(0xDB, 0xDB, Format::Str32);
  fill(0xDC, 0xDC, Format::Array16);
  fill(0xDD, 0xDD, Format::Array32);
  fill(0xDE, 0xDE, Format::Map16);
  fill(0xDF, 0xDF, Format::Map32);
  fill(0xE0, 0xFF, Format::NegativeFixint);
  return table;
}

constexpr std::array<Format, 256> kFormatOf = MakeFormatTable();

// Wire numbers are big-endian.
template <typename T>
T FromBigEndian(const uint8_t* bytes) noexcept {
  T value;
  std::memcpy(&value, bytes, sizeof value);
  if constexpr (std::endian::native == std::endian::little) {
    if constexpr (sizeof(T) == 2) {
      value = ByteSwap16(value);
    } else if constexpr (sizeof(T) == 4) {
      value = ByteSwap32(value);
    } else {
      value = ByteSwap64(value);
    }
  }
  return value;
}

// Builds the tree bottom-up: every container is made once, with its exact size, when it
// closes. A repeated key's later value lands on the earlier one as if written over it: a
// scalar or a value of another kind replaces it, a map merges into a map, an array writes
// over an array from index 0 (the assembler combines them once the input is read).
class AssemblingBuilder {
 public:
  AssemblingBuilder(BindingProperty& root, uint64_t inputBytes)
      : assembler_(root, detail::RepeatedCollections::Overlay), reserveBudget_(inputBytes) {}

  void Null() { assembler_.PushNull(); }
  void Bool(bool value) { assembler_.PushBool(value); }
  void Signed(int64_t value) { assembler_.PushSigned(value); }
  void Unsigned(uint64_t value) { assembler_.PushUnsigned(value); }
  void Float(double value) { assembler_.PushFloat(value); }
  void String(std::string_view text) { assembler_.PushString(text); }
  void Blob(std::span<const uint8_t> bytes) { assembler_.PushBlob(bytes); }
  void BeginArray(uint64_t count, uint64_t remainingBytes) {
    // The count is the sender's claim: reserve no more elements than the remaining bytes
    // could fill, and no more in total than the input has bytes, so that nested headers
    // with huge counts cannot make us allocate beyond the input's own size.
    const uint64_t reservable = std::min({count, remainingBytes, reserveBudget_});
    reserveBudget_ -= assembler_.BeginCollection(static_cast<std::size_t>(reservable));
  }
  void BeginMap() { assembler_.BeginStructure(); }
  void Key(std::string_view name) { assembler_.PushKey(name); }
  void EndArray() { assembler_.EndCollection(); }
  void EndMap() { assembler_.EndStructure(); }
  void Finish() { assembler_.Finish(); }

 private:
  detail::TreeAssembler assembler_;
  uint64_t reserveBudget_;
};

// An open array or map while its items are read.
struct Frame {
  uint64_t expected;  // elements of an array, twice the pairs of a map
  uint64_t index;     // the next item
  bool isMap;
};

enum class Outcome { Decoded, Failed };

// Reads the input and hands every value to a builder.
class MsgPackReader {
 public:
  MsgPackReader(std::span<const uint8_t> input, AssemblingBuilder& builder)
      : data_(input.data()), size_(input.size()), builder_(builder) {}

  Outcome Decode() {
    bool rootRead = false;
    while (outcome_ == Outcome::Decoded) {
      if (!frames_.empty() && frames_.back().index == frames_.back().expected) {
        Close();
        continue;
      }
      if ((frames_.empty() && rootRead) || position_ == size_) break;
      if (frames_.empty()) {
        rootRead = true;
      } else {
        Frame& top = frames_.back();
        if (top.isMap && top.index % 2 == 0) {
          ++top.index;
          ReadKey(data_[position_++]);
          continue;
        }
        if (!top.isMap && top.index >= kMaxCollectionElements) {
          Fail(FormatText(MsgPackMessage::kInvalidData, uint64_t{position_}));
          break;
        }
        ++top.index;
      }
      ReadValue(data_[position_++]);
    }
    // Input that ends inside containers keeps what was read of them.
    while (outcome_ == Outcome::Decoded && !frames_.empty()) Close();
    if (outcome_ == Outcome::Decoded) builder_.Finish();
    return outcome_;
  }

  std::size_t position() const noexcept { return position_; }
  const std::string& failure() const noexcept { return failure_; }

 private:
  void Close() {
    const bool isMap = frames_.back().isMap;
    frames_.pop_back();
    if (isMap) {
      builder_.EndMap();
    } else {
      builder_.EndArray();
    }
  }

  void ReadKey(uint8_t lead) {
    uint64_t length = 0;
    switch (kFormatOf[lead]) {
      case Format::FixStr:
        length = lead & 0x1Fu;
        break;
      case Format::Str8:
        if (!ReadLength<uint8_t>(length)) return;
        break;
      case Format::Str16:
        if (!ReadLength<uint16_t>(length)) return;
        break;
      case Format::Str32:
        if (!ReadLength<uint32_t>(length)) return;
        break;
      default:
        Fail(FormatText(MsgPackMessage::kKeyNotString, uint64_t{position_}));
        return;
    }
    const uint8_t* text = TakeBytes(length, MsgPackMessage::kStringTruncated);
    if (text != nullptr) {
      builder_.Key(
          std::string_view(reinterpret_cast<const char*>(text), static_cast<std::size_t>(length)));
    }
  }

  void ReadValue(uint8_t lead) {
    uint64_t length = 0;
    switch (kFormatOf[lead]) {
      case Format::PositiveFixint:
        builder_.Signed(lead);
        return;
      case Format::NegativeFixint:
        builder_.Signed(static_cast<int8_t>(lead));
        return;
      case Format::Nil:
        builder_.Null();
        return;
      case Format::False:
        builder_.Bool(false);
        return;
      case Format::True:
        builder_.Bool(true);
        return;
      case Format::Uint8:
        ReadUnsigned<uint8_t>();
        return;
      case Format::Uint16:
        ReadUnsigned<uint16_t>();
        return;
      case Format::Uint32:
        ReadUnsigned<uint32_t>();
        return;
      case Format::Uint64:
        ReadUnsigned<uint64_t>();
        return;
      case Format::Int8:
        ReadSigned<uint8_t, int8_t>();
        return;
      case Format::Int16:
        ReadSigned<uint16_t, int16_t>();
        return;
      case Format::Int32:
        ReadSigned<uint32_t, int32_t>();
        return;
      case Format::Int64:
        ReadSigned<uint64_t, int64_t>();
        return;
      case Format::Float32: {
        uint32_t bits;
        if (ReadNumber(bits)) builder_.Float(static_cast<double>(std::bit_cast<float>(bits)));
        return;
      }
      case Format::Float64: {
        uint64_t bits;
        if (ReadNumber(bits)) builder_.Float(std::bit_cast<double>(bits));
        return;
      }
      case Format::FixStr:
        ReadString(lead & 0x1Fu);
        return;
      case Format::Str8:
        if (ReadLength<uint8_t>(length)) ReadString(length);
        return;
      case Format::Str16:
        if (ReadLength<uint16_t>(length)) ReadString(length);
        return;
      case Format::Str32:
        if (ReadLength<uint32_t>(length)) ReadString(length);
        return;
      case Format::Bin8:
        if (ReadLength<uint8_t>(length)) ReadBlob(length);
        return;
      case Format::Bin16:
        if (ReadLength<uint16_t>(length)) ReadBlob(length);
        return;
      case Format::Bin32:
        if (ReadLength<uint32_t>(length)) ReadBlob(length);
        return;
      case Format::FixArray:
        OpenArray(lead & 0x0Fu);
        return;
      case Format::Array16:
        if (ReadLength<uint16_t>(length)) OpenArray(length);
        return;
      case Format::Array32:
        if (ReadLength<uint32_t>(length)) OpenArray(length);
        return;
      case Format::FixMap:
        OpenMap(lead & 0x0Fu);
        return;
      case Format::Map16:
        if (ReadLength<uint16_t>(length)) OpenMap(length);
        return;
      case Format::Map32:
        if (ReadLength<uint32_t>(length)) OpenMap(length);
        return;
      case Format::NeverUsed:
      case Format::Ext:
      case Format::FixExt:
        Fail(FormatText(MsgPackMessage::kInvalidData, uint64_t{position_}));
        return;
    }
  }

  template <typename Wire>
  void ReadUnsigned() {
    Wire value;
    if (ReadNumber(value)) builder_.Unsigned(value);
  }

  template <typename Wire, typename Value>
  void ReadSigned() {
    Wire value;
    if (ReadNumber(value)) builder_.Signed(static_cast<Value>(value));
  }

  void ReadString(uint64_t length) {
    const uint8_t* text = TakeBytes(length, MsgPackMessage::kStringTruncated);
    if (text == nullptr) return;
    builder_.String(
        std::string_view(reinterpret_cast<const char*>(text), static_cast<std::size_t>(length)));
  }

  void ReadBlob(uint64_t length) {
    const uint8_t* bytes = TakeBytes(length, MsgPackMessage::kRawTruncated);
    if (bytes == nullptr) return;
    builder_.Blob(std::span<const uint8_t>(bytes, static_cast<std::size_t>(length)));
  }

  void OpenArray(uint64_t count) {
    builder_.BeginArray(count, static_cast<uint64_t>(size_ - position_));
    frames_.push({count, 0, false});
  }

  void OpenMap(uint64_t pairs) {
    builder_.BeginMap();
    frames_.push({pairs * 2, 0, true});
  }

  // Reads a big-endian number at the current position, or fails with its width's message.
  template <typename T>
  bool ReadNumber(T& value) {
    if (size_ - position_ < sizeof(T)) {
      static constexpr std::string_view kMessages[] = {
          MsgPackMessage::kTruncated8, MsgPackMessage::kTruncated16, {},
          MsgPackMessage::kTruncated32, {}, {}, {}, MsgPackMessage::kTruncated64};
      Fail(FormatText(kMessages[sizeof(T) - 1], uint64_t{position_}));
      return false;
    }
    if constexpr (sizeof(T) == 1) {
      value = data_[position_];
    } else {
      value = FromBigEndian<T>(data_ + position_);
    }
    position_ += sizeof(T);
    return true;
  }

  template <typename T>
  bool ReadLength(uint64_t& length) {
    T value;
    if (!ReadNumber(value)) return false;
    length = value;
    return true;
  }

  // The `length` bytes at the current position, or null after failing with `message`.
  const uint8_t* TakeBytes(uint64_t length, std::string_view message) {
    if (size_ - position_ < length) {
      Fail(FormatText(message, length, uint64_t{position_}));
      return nullptr;
    }
    const uint8_t* bytes = data_ + position_;
    position_ += static_cast<std::size_t>(length);
    return bytes;
  }

  void Fail(std::string message) {
    failure_ = std::move(message);
    outcome_ = Outcome::Failed;
  }

  const uint8_t* data_;
  std::size_t size_;
  std::size_t position_ = 0;
  AssemblingBuilder& builder_;
  Outcome outcome_ = Outcome::Decoded;
  std::string failure_;
  detail::WorkStack<Frame> frames_;
};

}  // namespace

BindingResult MsgPackDecode(std::span<const uint8_t> input, std::size_t& stopPosition) {
  BindingResult result = BindingResult::Ok();
  std::string failure;
  {
    AssemblingBuilder builder(result.value(), input.size());
    MsgPackReader reader(input, builder);
    if (reader.Decode() == Outcome::Failed) failure = reader.failure();
    stopPosition = reader.position();
  }  // what the assembler still held is released here
  if (!failure.empty()) result.SetFailure(failure);
  return result;
}

BindingResult MsgPackDecode(std::span<const uint8_t> input) {
  std::size_t stopPosition = 0;
  return MsgPackDecode(input, stopPosition);
}

}  // namespace Vela
