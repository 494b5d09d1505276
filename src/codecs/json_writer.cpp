// BindingProperty → JSON text: a BindingVisitor over RapidJSON's compact or pretty writer.

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <rapidjson/prettywriter.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include "binding/binding_visitor.h"
#include "binding/enum_name_lookup.h"
#include "binding/internal/walk_tree.h"
#include "codecs/internal/framework_json_allocator.h"
#include "codecs/json.h"
#include "util/base64.h"

namespace Vela {
namespace {

using detail::FrameworkJsonAllocator;
using JsonBuffer = rapidjson::GenericStringBuffer<rapidjson::UTF8<>, FrameworkJsonAllocator>;
using CompactWriter = rapidjson::Writer<JsonBuffer, rapidjson::UTF8<>, rapidjson::UTF8<>, FrameworkJsonAllocator>;
using IndentingWriter = rapidjson::PrettyWriter<JsonBuffer, rapidjson::UTF8<>, rapidjson::UTF8<>, FrameworkJsonAllocator>;

// The writer needs a non-null pointer even for an empty text.
const char* DataOf(std::string_view text) { return text.data() == nullptr ? "" : text.data(); }
rapidjson::SizeType LengthOf(std::string_view text) {
  return static_cast<rapidjson::SizeType>(text.size());
}

// One visitor for both forms; they differ only in the writer they drive. Begin/end of an
// element or field write nothing: the writer places commas and colons itself.
template <class Writer>
class JsonVisitor final : public BindingVisitor {
 public:
  JsonVisitor(Writer& writer, const EnumNameLookup* enums) : writer_(writer), enums_(enums) {}

  void Null() override { writer_.Null(); }
  void Bool(bool value) override { writer_.Bool(value); }
  void Signed(int64_t value) override { writer_.Int64(value); }
  void Unsigned(uint64_t value) override { writer_.Uint64(value); }
  void Double(double value) override {
    // The writer refuses NaN and infinities after it has already written the separator,
    // which would leave `{"a":}`; null keeps the document valid.
    if (std::isfinite(value)) {
      writer_.Double(value);
    } else {
      writer_.Null();
    }
  }
  void String(std::string_view text) override { writer_.String(DataOf(text), LengthOf(text)); }
  void Blob(std::span<const uint8_t> bytes) override {
    const std::string text = Base64Encode(bytes.data(), bytes.size());
    writer_.String(text.data(), LengthOf(text));
  }
  void Enum(BindingEnum value) override {
    if (enums_ != nullptr) {
      if (std::optional<std::string_view> name = enums_->NameOfEnumValue(value.value, value.type)) {
        writer_.String(DataOf(*name), LengthOf(*name));
        return;
      }
    }
    writer_.Int(value.value);
  }
  void StartArray(std::size_t) override { writer_.StartArray(); }
  void BeginElement() override {}
  void EndElement() override {}
  void EndArray() override { writer_.EndArray(); }
  void StartObject(std::size_t) override { writer_.StartObject(); }
  void Key(std::string_view name) override { writer_.Key(DataOf(name), LengthOf(name)); }
  void EndField() override {}
  void EndObject() override { writer_.EndObject(); }

 private:
  Writer& writer_;
  const EnumNameLookup* enums_;
};

template <class Writer>
std::string Write(const BindingProperty& value, const EnumNameLookup* enums) {
  JsonBuffer buffer;
  Writer writer(buffer);
  JsonVisitor<Writer> visitor(writer, enums);
  detail::WalkTree(value, visitor);  // the visitor is final: its calls are bound statically
  return std::string(buffer.GetString(), buffer.GetSize());
}

std::string ReplaceLineFeeds(std::string_view text, std::string_view separator) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '\n') {
      out.append(separator);
    } else {
      out.push_back(c);
    }
  }
  return out;
}

}  // namespace

std::string WriteJson(const BindingProperty& value, const EnumNameLookup* enums,
                      std::string_view lineSeparator) {
  if (value.IsEmpty()) return {};
  if (lineSeparator.empty()) {
    return Write<CompactWriter>(value, enums);
  }
  // Four spaces per level and the default format options are the pretty writer's defaults.
  std::string text = Write<IndentingWriter>(value, enums);
  if (lineSeparator == "\n") return text;
  // Strings never hold a raw line feed (the writer escapes it), so every one is layout.
  return ReplaceLineFeeds(text, lineSeparator);
}

}  // namespace Vela
