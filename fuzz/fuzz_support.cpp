#include "fuzz_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

#include "binding/host_value_conversion.h"

namespace Vela::Fuzz {

void Fail(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "\n*** fuzz check failed: %s (%s:%d)\n", condition, file, line);
  std::fflush(stderr);
  std::abort();
}

namespace {

// Compares the host forms, which spell out every kind, number, text and member in order.
bool IsIntegerZero(const HostBindingValue& value) {
  const auto type = static_cast<HostValueType>(value.type);
  return (type == HostValueType::Signed || type == HostValueType::Unsigned) && value.u == 0;
}

bool IsInfinity(const HostBindingValue& value) {
  return value.type == static_cast<uint32_t>(HostValueType::Double) && std::isinf(value.d);
}

// Doubles as integers that count up in value order, so that neighbours differ by 1.
int64_t OrderedBits(double value) {
  int64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  return bits < 0 ? std::numeric_limits<int64_t>::min() - bits : bits;
}

bool WithinUlps(double a, double b, uint64_t ulps) {
  if (std::isnan(a) || std::isnan(b)) return false;
  const int64_t x = OrderedBits(a);
  const int64_t y = OrderedBits(b);
  const uint64_t distance = x > y ? static_cast<uint64_t>(x) - static_cast<uint64_t>(y)
                                  : static_cast<uint64_t>(y) - static_cast<uint64_t>(x);
  return distance <= ulps;
}

bool SameHostValue(const HostBindingValue& first, const HostBindingValue& second, Allowance allowance) {
  std::vector<std::pair<const HostBindingValue*, const HostBindingValue*>> pending{{&first, &second}};
  while (!pending.empty()) {
    const auto [a, b] = pending.back();
    pending.pop_back();
    if (allowance.zeroSign && IsIntegerZero(*a) && IsIntegerZero(*b)) continue;
    if (allowance.infinityAsNull && (IsInfinity(*a) || IsInfinity(*b)) &&
        (a->type == static_cast<uint32_t>(HostValueType::Empty) ||
         b->type == static_cast<uint32_t>(HostValueType::Empty))) {
      continue;
    }
    if (a->type != b->type) return false;
    switch (static_cast<HostValueType>(a->type)) {
      case HostValueType::Bool:
        if ((a->b != 0) != (b->b != 0)) return false;
        break;
      case HostValueType::Signed:
      case HostValueType::Unsigned:
        if (a->u != b->u) return false;
        break;
      case HostValueType::Double:
        if (!(a->d == b->d) && std::memcmp(&a->d, &b->d, sizeof a->d) != 0 &&
            !WithinUlps(a->d, b->d, allowance.floatUlps)) {
          return false;
        }
        break;
      case HostValueType::StringBorrowed:
      case HostValueType::StringOwned:
      case HostValueType::BlobBorrowed:
      case HostValueType::BlobOwned:
        if (a->str.len != b->str.len) return false;
        if (a->str.len > 0 && std::memcmp(a->str.ptr, b->str.ptr, a->str.len) != 0) return false;
        break;
      case HostValueType::Collection:
        if (a->col.len != b->col.len) return false;
        for (uint32_t i = 0; i < a->col.len; ++i) pending.emplace_back(&a->col.ptr[i], &b->col.ptr[i]);
        break;
      case HostValueType::Structure:
        if (a->obj.len != b->obj.len) return false;
        for (uint32_t i = 0; i < a->obj.len; ++i) {
          if (std::strcmp(a->obj.ptr[i].key, b->obj.ptr[i].key) != 0) return false;
          pending.emplace_back(&a->obj.ptr[i].value, &b->obj.ptr[i].value);
        }
        break;
      case HostValueType::Empty:
        break;
      default:
        return false;
    }
  }
  return true;
}

}  // namespace

bool SameValue(const BindingProperty& a, const BindingProperty& b, Allowance allowance) {
  if (a == b) return true;
  HostBindingValue x{};
  HostBindingValue y{};
  ToHostValue(a, x);
  ToHostValue(b, y);
  const bool same = SameHostValue(x, y, allowance);
  ReleaseHostValue(x);
  ReleaseHostValue(y);
  return same;
}

FuzzLines SplitLines(std::span<const uint8_t> input, std::size_t count) {
  FuzzLines out;
  std::size_t position = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const auto begin = input.begin() + static_cast<std::ptrdiff_t>(position);
    const auto newline = std::find(begin, input.end(), uint8_t{'\n'});
    out.lines.emplace_back(begin, newline);
    position = static_cast<std::size_t>(newline - input.begin());
    if (newline != input.end()) ++position;
  }
  out.rest = input.subspan(position);
  return out;
}

uint8_t ByteReader::Byte() { return position_ < bytes_.size() ? bytes_[position_++] : 0; }

uint32_t ByteReader::Word() {
  uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value |= static_cast<uint32_t>(Byte()) << (8 * i);
  return value;
}

uint64_t ByteReader::Quad() { return Word() | (static_cast<uint64_t>(Word()) << 32); }

std::span<const uint8_t> ByteReader::Take(std::size_t count) {
  const std::size_t taken = std::min(count, bytes_.size() - std::min(position_, bytes_.size()));
  std::span<const uint8_t> out = bytes_.subspan(std::min(position_, bytes_.size()), taken);
  position_ += taken;
  return out;
}

const char* HostValueForge::Text(std::size_t maxLength) {
  const std::span<const uint8_t> bytes = reader_.Take(reader_.Byte() % (maxLength + 1));
  texts_.emplace_back(bytes.begin(), bytes.end());
  return texts_.back().c_str();
}

HostBindingValue HostValueForge::Node(int depth) {
  HostBindingValue value{};
  ++nodes_;
  const uint8_t selector = reader_.Byte();
  // Codes 0..10 are the host's types; 11 draws any 32-bit code, as a confused host might.
  const uint32_t code = selector % 12u;
  value.type = code == 11 ? reader_.Word() : code;
  switch (code) {
    case 1:
      value.b = reader_.Byte();  // any byte, not only 0 and 1
      break;
    case 2:
    case 3:
    case 4:
      value.u = reader_.Quad();  // doubles get every bit pattern, NaNs included
      break;
    case 5:
    case 6: {
      const std::span<const uint8_t> bytes = reader_.Take(reader_.Byte());
      texts_.emplace_back(bytes.begin(), bytes.end());  // may hold NUL bytes
      // An empty text arrives with or without an address.
      value.str.ptr = bytes.empty() && (selector & 0x80) ? nullptr : texts_.back().data();
      value.str.len = static_cast<uint32_t>(bytes.size());
      break;
    }
    case 7:
    case 8: {
      const std::span<const uint8_t> bytes = reader_.Take(reader_.Byte());
      blobs_.emplace_back(bytes.begin(), bytes.end());
      value.blob.ptr = bytes.empty() && (selector & 0x80) ? nullptr : blobs_.back().data();
      value.blob.len = static_cast<uint32_t>(bytes.size());
      break;
    }
    case 9: {
      std::vector<HostBindingValue>& items = collections_.emplace_back();
      const std::size_t count = depth < kMaxDepth ? reader_.Byte() % 9u : 0;
      for (std::size_t i = 0; i < count && nodes_ < kMaxNodes && !reader_.empty(); ++i) {
        items.push_back(Node(depth + 1));
      }
      value.col.ptr = items.empty() && (selector & 0x80) ? nullptr : items.data();
      value.col.len = static_cast<uint32_t>(items.size());
      break;
    }
    case 10: {
      std::vector<HostStructEntry>& entries = structures_.emplace_back();
      const std::size_t count = depth < kMaxDepth ? reader_.Byte() % 9u : 0;
      for (std::size_t i = 0; i < count && nodes_ < kMaxNodes && !reader_.empty(); ++i) {
        HostStructEntry entry{};
        entry.key = Text(16);  // keys repeat often: short texts from few bytes
        entry.value = Node(depth + 1);
        entry.keyOwned = reader_.Byte() & 1u;
        entries.push_back(entry);
      }
      value.obj.ptr = entries.empty() && (selector & 0x80) ? nullptr : entries.data();
      value.obj.len = static_cast<uint32_t>(entries.size());
      break;
    }
    default:
      break;  // Empty, or a code outside the host's: the payload stays zero
  }
  return value;
}

}  // namespace Vela::Fuzz
