#include "codecs/msgpack.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <vector>

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

// One open node. A frame first stands for a value still to be read into `target`; once a
// container header has been read into it, it stays open until `expected` items are read.
// Open-ness is tracked here rather than read from the target's kind: a repeated map key
// hands the new value a target that may already be a Collection or Structure.
struct Frame {
  explicit Frame(BindingProperty* value) noexcept : target(value) {}

  BindingProperty* target;
  uint64_t expected = 0;  // elements of an array, twice the pairs of a map
  uint64_t index = 0;     // the next item
  std::string_view pendingKey;  // a view into the input, which outlives the decoding
  bool open = false;
  bool isMap = false;
};

class MsgPackReader {
 public:
  explicit MsgPackReader(std::span<const uint8_t> input)
      : data_(input.data()), size_(input.size()), reserveBudget_(input.size()) {}

  BindingResult Decode(std::size_t& stopPosition) {
    frames_.reserve(16);
    frames_.emplace_back(&result_.value());
    while (position_ < size_ && result_.ok()) {
      Slot slot = Slot::OwnFrame;
      BindingProperty* target = NextSlot(slot);
      if (target == nullptr) {
        break;  // the root value is complete
      }
      const uint8_t lead = data_[position_++];
      if (slot == Slot::Key) {
        ReadKey(lead, frames_.back());
      } else {
        ReadValue(lead, *target, slot == Slot::OwnFrame);
      }
    }
    stopPosition = position_;
    return std::move(result_);
  }

 private:
  enum class Slot { Key, OwnFrame, Child };

  // The value the next item goes into; null when the root value is complete. It is the top
  // frame's own target (the frame is popped once the value is complete), a new element or
  // field of the top container (given a frame of its own only if it turns out to be a
  // container, so that scalars cost no frame), or, for Key, the top map awaiting a key.
  BindingProperty* NextSlot(Slot& slot) {
    while (!frames_.empty()) {
      Frame& top = frames_.back();
      if (!top.open) {
        slot = Slot::OwnFrame;
        return top.target;
      }
      if (top.index == top.expected) {
        frames_.pop_back();
        continue;
      }
      BindingProperty* child;
      if (top.isMap) {
        if (top.index % 2 == 0) {
          ++top.index;
          slot = Slot::Key;
          return top.target;
        }
        child = &top.target->MutableField(top.pendingKey);
      } else {
        if (top.index >= kMaxCollectionElements) {
          Fail(FormatText(MsgPackMessage::kInvalidData, uint64_t{position_}));
          return nullptr;
        }
        child = &top.target->MutableElement(static_cast<std::size_t>(top.index));
      }
      ++top.index;
      slot = Slot::Child;
      return child;
    }
    return nullptr;
  }

  void ReadKey(uint8_t lead, Frame& frame) {
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
      frame.pendingKey =
          std::string_view(reinterpret_cast<const char*>(text), static_cast<std::size_t>(length));
    }
  }

  // Reads the value starting with `lead` into `target`; `ownFrame` when the target is the
  // top frame's.
  void ReadValue(uint8_t lead, BindingProperty& target, bool ownFrame) {
    uint64_t length = 0;
    switch (kFormatOf[lead]) {
      case Format::PositiveFixint:
        target.SetSigned(lead);
        break;
      case Format::NegativeFixint:
        target.SetSigned(static_cast<int8_t>(lead));
        break;
      case Format::Nil:
        target.Reset();
        break;
      case Format::False:
        target.SetBool(false);
        break;
      case Format::True:
        target.SetBool(true);
        break;
      case Format::Uint8: {
        uint8_t value;
        if (!ReadNumber(value)) return;
        target.SetUnsigned(value);
        break;
      }
      case Format::Uint16: {
        uint16_t value;
        if (!ReadNumber(value)) return;
        target.SetUnsigned(value);
        break;
      }
      case Format::Uint32: {
        uint32_t value;
        if (!ReadNumber(value)) return;
        target.SetUnsigned(value);
        break;
      }
      case Format::Uint64: {
        uint64_t value;
        if (!ReadNumber(value)) return;
        target.SetUnsigned(value);
        break;
      }
      case Format::Int8: {
        uint8_t value;
        if (!ReadNumber(value)) return;
        target.SetSigned(static_cast<int8_t>(value));
        break;
      }
      case Format::Int16: {
        uint16_t value;
        if (!ReadNumber(value)) return;
        target.SetSigned(static_cast<int16_t>(value));
        break;
      }
      case Format::Int32: {
        uint32_t value;
        if (!ReadNumber(value)) return;
        target.SetSigned(static_cast<int32_t>(value));
        break;
      }
      case Format::Int64: {
        uint64_t value;
        if (!ReadNumber(value)) return;
        target.SetSigned(static_cast<int64_t>(value));
        break;
      }
      case Format::Float32: {
        uint32_t bits;
        if (!ReadNumber(bits)) return;
        target.SetFloat(static_cast<double>(std::bit_cast<float>(bits)));
        break;
      }
      case Format::Float64: {
        uint64_t bits;
        if (!ReadNumber(bits)) return;
        target.SetFloat(std::bit_cast<double>(bits));
        break;
      }
      case Format::FixStr:
        length = lead & 0x1Fu;
        ReadString(target, ownFrame, length);
        return;
      case Format::Str8:
        if (ReadLength<uint8_t>(length)) ReadString(target, ownFrame, length);
        return;
      case Format::Str16:
        if (ReadLength<uint16_t>(length)) ReadString(target, ownFrame, length);
        return;
      case Format::Str32:
        if (ReadLength<uint32_t>(length)) ReadString(target, ownFrame, length);
        return;
      case Format::Bin8:
        if (ReadLength<uint8_t>(length)) ReadBlob(target, ownFrame, length);
        return;
      case Format::Bin16:
        if (ReadLength<uint16_t>(length)) ReadBlob(target, ownFrame, length);
        return;
      case Format::Bin32:
        if (ReadLength<uint32_t>(length)) ReadBlob(target, ownFrame, length);
        return;
      case Format::FixArray:
        OpenArray(target, ownFrame, lead & 0x0Fu);
        return;
      case Format::Array16:
        if (ReadLength<uint16_t>(length)) OpenArray(target, ownFrame, length);
        return;
      case Format::Array32:
        if (ReadLength<uint32_t>(length)) OpenArray(target, ownFrame, length);
        return;
      case Format::FixMap:
        OpenMap(target, ownFrame, lead & 0x0Fu);
        return;
      case Format::Map16:
        if (ReadLength<uint16_t>(length)) OpenMap(target, ownFrame, length);
        return;
      case Format::Map32:
        if (ReadLength<uint32_t>(length)) OpenMap(target, ownFrame, length);
        return;
      case Format::NeverUsed:
      case Format::Ext:
      case Format::FixExt:
        Fail(FormatText(MsgPackMessage::kInvalidData, uint64_t{position_}));
        return;
    }
    Complete(ownFrame);
  }

  void Complete(bool ownFrame) {
    if (ownFrame) frames_.pop_back();
  }

  void ReadString(BindingProperty& target, bool ownFrame, uint64_t length) {
    const uint8_t* text = TakeBytes(length, MsgPackMessage::kStringTruncated);
    if (text == nullptr) return;
    target.SetString(
        std::string_view(reinterpret_cast<const char*>(text), static_cast<std::size_t>(length)));
    Complete(ownFrame);
  }

  void ReadBlob(BindingProperty& target, bool ownFrame, uint64_t length) {
    const uint8_t* bytes = TakeBytes(length, MsgPackMessage::kRawTruncated);
    if (bytes == nullptr) return;
    target.SetBlob(std::span<const uint8_t>(bytes, static_cast<std::size_t>(length)));
    Complete(ownFrame);
  }

  // A container keeps a frame until its last item.
  Frame& FrameFor(BindingProperty& target, bool ownFrame) {
    return ownFrame ? frames_.back() : frames_.emplace_back(&target);
  }

  void OpenArray(BindingProperty& collection, bool ownFrame, uint64_t count) {
    Frame& frame = FrameFor(collection, ownFrame);
    BindingProperty& target = collection.MakeCollection();
    // The count is the sender's claim: reserve no more slots than the remaining bytes
    // could fill, and no more in total than the input has bytes, so that nested headers
    // with huge counts cannot make us allocate beyond the input's own size.
    const uint64_t reservable =
        std::min({count, static_cast<uint64_t>(size_ - position_), reserveBudget_});
    if (reservable > target.size()) {
      reserveBudget_ -= reservable;
      (void)target.Reserve(static_cast<std::size_t>(reservable));
    }
    frame.open = true;
    frame.isMap = false;
    frame.expected = count;
    frame.index = 0;
  }

  void OpenMap(BindingProperty& structure, bool ownFrame, uint64_t pairs) {
    Frame& frame = FrameFor(structure, ownFrame);
    structure.MakeStructure();
    frame.open = true;
    frame.isMap = true;
    frame.expected = pairs * 2;
    frame.index = 0;
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

  void Fail(const std::string& message) {
    frames_.clear();
    result_.SetFailure(message);
  }

  const uint8_t* data_;
  std::size_t size_;
  std::size_t position_ = 0;
  uint64_t reserveBudget_;
  BindingResult result_;
  std::vector<Frame> frames_;
};

}  // namespace

BindingResult MsgPackDecode(std::span<const uint8_t> input, std::size_t& stopPosition) {
  return MsgPackReader(input).Decode(stopPosition);
}

BindingResult MsgPackDecode(std::span<const uint8_t> input) {
  std::size_t stopPosition = 0;
  return MsgPackDecode(input, stopPosition);
}

}  // namespace Vela
