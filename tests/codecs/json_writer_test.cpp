// Writing BindingProperty trees as JSON: compact and indented forms, numbers, escaping,
// blobs, enumerations. The writer's own number and escape formats are its library's; the
// rows here pin what this code chooses (null for non-finite, bytes kept, names of enums).

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "binding/binding_property.h"
#include "binding/enum_name_lookup.h"
#include "binding/type_identity.h"
#include "codecs/json.h"

namespace Vela {
namespace {

const TypeIdentity kColorType{0x00C0104Fu, "Color"};

// Knows Color 2 = "Green" only.
class ColorNames final : public EnumNameLookup {
 public:
  std::optional<std::string_view> NameOfEnumValue(int32_t value,
                                                  const TypeIdentity* type) const override {
    if (type == &kColorType && value == 2) return "Green";
    return std::nullopt;
  }
};

BindingProperty Blob(std::string_view bytes) {
  return BindingProperty(std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

BindingProperty ArrayOf(std::initializer_list<BindingProperty> elements) {
  BindingProperty array;
  array.MakeCollection();
  for (const BindingProperty& element : elements) array.Append() = element;
  return array;
}

TEST(JsonWriterTest, WritesScalarsCompactly) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  const struct {
    int line;
    BindingProperty value;
    std::string_view expected;
  } cases[] = {
      {__LINE__, BindingProperty(true), "true"},
      {__LINE__, BindingProperty(std::numeric_limits<int64_t>::min()), "-9223372036854775808"},
      {__LINE__, BindingProperty(uint64_t{0}), "0"},
      {__LINE__, BindingProperty(std::numeric_limits<uint64_t>::max()), "18446744073709551615"},
      // Integral doubles keep ".0".
      {__LINE__, BindingProperty(1.0), "1.0"},
      {__LINE__, BindingProperty(-0.0), "-0.0"},
      // Not representable in JSON: null keeps the document valid.
      {__LINE__, BindingProperty(std::nan("")), "null"},
      {__LINE__, BindingProperty(kInf), "null"},
      {__LINE__, BindingProperty("Ashe"), "\"Ashe\""},
      {__LINE__, Blob(std::string_view("\x00\xFF\xFE", 3)), "\"AP/+\""},  // Base64 text
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "line " << c.line);
    EXPECT_EQ(WriteJson(c.value), c.expected);
  }
}

TEST(JsonWriterTest, EmptyRootIsTheEmptyTextButNullInsideContainers) {
  EXPECT_EQ(WriteJson(BindingProperty()), "");
  EXPECT_EQ(WriteJson(BindingProperty(), nullptr, "\r\n"), "");

  BindingProperty doc;
  doc.MutableField("a");  // created Empty
  doc.MutableField("list") = ArrayOf({BindingProperty(), BindingProperty(std::nan(""))});
  EXPECT_EQ(WriteJson(doc), R"({"a":null,"list":[null,null]})");
}

TEST(JsonWriterTest, EscapesStringsWithTheWritersTable) {
  const struct {
    int line;
    std::string_view text;
    std::string_view expected;
  } cases[] = {
      {__LINE__, std::string_view("\x00\x01\x1F\x0B", 4), R"("\u0000\u0001\u001F\u000B")"},
      // The solidus, DEL and bytes from 0x80 are written as they are.
      {__LINE__, "a/b\x7F\xC3\xA9\xFF", "\"a/b\x7F\xC3\xA9\xFF\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "line " << c.line);
    EXPECT_EQ(WriteJson(BindingProperty(c.text)), c.expected);
    // Field names go through the same table.
    BindingProperty doc;
    doc.MutableField(c.text) = true;
    EXPECT_EQ(WriteJson(doc), "{" + std::string(c.expected) + ":true}");
  }
}

TEST(JsonWriterTest, WritesEnumsByRegisteredNameOrNumber) {
  const ColorNames names;
  const struct {
    int line;
    BindingEnum value;
    const EnumNameLookup* enums;
    std::string_view expected;
  } cases[] = {
      {__LINE__, {2, &kColorType}, nullptr, "2"},
      {__LINE__, {2, &kColorType}, &names, "\"Green\""},
      {__LINE__, {7, &kColorType}, &names, "7"},  // no such value
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "line " << c.line);
    EXPECT_EQ(WriteJson(BindingProperty(c.value), c.enums), c.expected);
    BindingProperty doc;
    doc.MutableField("e") = c.value;
    EXPECT_EQ(WriteJson(doc, c.enums), "{\"e\":" + std::string(c.expected) + "}");
  }
}

BindingProperty SampleDocument() {
  BindingProperty doc;
  doc.MutableField("name") = "Ashe";
  doc.MutableField("games") = ArrayOf({BindingProperty(uint64_t{1}), BindingProperty(int64_t{-2})});
  doc.MutableField("none").MakeCollection();
  doc.MutableField("empty").MakeStructure();
  doc.MutableField("inner").MutableField("ok") = true;
  return doc;
}

TEST(JsonWriterTest, CompactFormHasNoWhitespace) {
  EXPECT_EQ(WriteJson(SampleDocument()),
            R"({"empty":{},"games":[1,-2],"inner":{"ok":true},"name":"Ashe","none":[]})");
}

TEST(JsonWriterTest, IndentedFormUsesFourSpacesAndTheSeparator) {
  const std::string_view lines[] = {
      "{",
      "    \"empty\": {},",
      "    \"games\": [",
      "        1,",
      "        -2",
      "    ],",
      "    \"inner\": {",
      "        \"ok\": true",
      "    },",
      "    \"name\": \"Ashe\",",
      "    \"none\": []",
      "}",
  };
  for (std::string_view separator : {"\n", "\r\n", "<br/>"}) {
    SCOPED_TRACE(testing::Message() << "separator '" << separator << "'");
    std::string expected;
    for (std::string_view line : lines) {
      if (!expected.empty()) expected.append(separator);
      expected.append(line);
    }
    EXPECT_EQ(WriteJson(SampleDocument(), nullptr, separator), expected);
  }
}

TEST(JsonWriterTest, IndentedFormKeepsEscapedLineFeedsInStrings) {
  BindingProperty doc = ArrayOf({BindingProperty("a\nb"), Blob("abc")});
  EXPECT_EQ(WriteJson(doc, nullptr, "\r\n"), "[\r\n    \"a\\nb\",\r\n    \"YWJj\"\r\n]");
}

}  // namespace
}  // namespace Vela
