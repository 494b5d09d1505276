// Real documents: the parsed tree matches RapidJSON's own document, and writing then
// parsing again gives the same tree and the same text.

#include <bit>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <rapidjson/document.h>

#include "binding/binding_property.h"
#include "codecs/json.h"

namespace Vela {
namespace {

#ifndef ARX_JSON_CORPUS_DIR
#define ARX_JSON_CORPUS_DIR ""
#endif

// Returns false when the corpus is not there (it lives outside the source tree).
bool ReadCorpus(const char* name, std::string& text) {
  const std::filesystem::path path = std::filesystem::path(ARX_JSON_CORPUS_DIR) / name;
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  std::ostringstream content;
  content << file.rdbuf();
  text = std::move(content).str();
  return true;
}

#define READ_CORPUS_OR_SKIP(name, text)                                            \
  if (!ReadCorpus(name, text)) {                                                   \
    GTEST_SKIP() << "corpus " << name << " not found in " << ARX_JSON_CORPUS_DIR; \
  }

// Distance in units in the last place between two finite doubles.
uint64_t UlpDistance(double a, double b) {
  auto ordered = [](double d) {
    const auto bits = std::bit_cast<int64_t>(d);
    return bits < 0 ? std::numeric_limits<int64_t>::min() - bits : bits;
  };
  const int64_t x = ordered(a);
  const int64_t y = ordered(b);
  return x > y ? static_cast<uint64_t>(x) - static_cast<uint64_t>(y)
               : static_cast<uint64_t>(y) - static_cast<uint64_t>(x);
}

// Checks the tree against RapidJSON's DOM of the same text, node by node.
bool MatchesDocument(const BindingProperty& tree, const rapidjson::Value& dom, std::string& where) {
  std::vector<std::pair<const BindingProperty*, const rapidjson::Value*>> pending{{&tree, &dom}};
  while (!pending.empty()) {
    auto [value, node] = pending.back();
    pending.pop_back();
    bool same = false;
    if (node->IsNull()) {
      same = value->IsEmpty();
    } else if (node->IsBool()) {
      same = *value == BindingProperty(node->GetBool());
    } else if (node->IsDouble()) {
      // The DOM reads doubles by RapidJSON's fast path, which lands up to two units in the
      // last place off the correctly rounded value the tree holds (on canada.json).
      same = value->kind() == BindingKind::Float && UlpDistance(value->GetFloatOr(0), node->GetDouble()) <= 2;
    } else if (node->IsUint64()) {
      same = *value == BindingProperty(node->GetUint64());
    } else if (node->IsInt64()) {
      same = *value == BindingProperty(node->GetInt64());
    } else if (node->IsString()) {
      same = *value == BindingProperty(std::string_view(node->GetString(), node->GetStringLength()));
    } else if (node->IsArray()) {
      same = value->kind() == BindingKind::Collection && value->size() == node->Size();
      for (rapidjson::SizeType i = 0; same && i < node->Size(); ++i) {
        pending.emplace_back(&value->ElementOrEmpty(i), &(*node)[i]);
      }
    } else if (node->IsObject()) {
      same = value->kind() == BindingKind::Structure && value->size() == node->MemberCount();
      for (auto member = node->MemberBegin(); same && member != node->MemberEnd(); ++member) {
        const std::string_view name(member->name.GetString(), member->name.GetStringLength());
        pending.emplace_back(&value->FieldOrEmpty(name), &member->value);
      }
    }
    if (!same) {
      where = "value differs: " + value->AsText();
      return false;
    }
  }
  return true;
}

class JsonCorpusTest : public testing::TestWithParam<const char*> {};

TEST_P(JsonCorpusTest, ParsesLikeRapidJsonsDocument) {
  std::string text;
  READ_CORPUS_OR_SKIP(GetParam(), text);
  BindingResult parsed = ParseJson(text);
  ASSERT_TRUE(parsed.ok()) << parsed.message();
  rapidjson::Document dom;
  dom.Parse(text.c_str());
  ASSERT_FALSE(dom.HasParseError());
  std::string where;
  EXPECT_TRUE(MatchesDocument(parsed.value(), dom, where)) << where;
}

// Written text parses back to the same tree, and writing that gives the same text again.
// Numbers are read correctly rounded and written in their shortest form, so every double
// comes back exactly (canada.json is full of long fractions): the same text means the same
// bits, the sign of a zero included.
TEST_P(JsonCorpusTest, RoundTripsThroughBothForms) {
  std::string text;
  READ_CORPUS_OR_SKIP(GetParam(), text);
  BindingResult first = ParseJson(text);
  ASSERT_TRUE(first.ok()) << first.message();

  for (std::string_view separator : {"", "\r\n"}) {
    SCOPED_TRACE(testing::Message() << "separator '" << separator << "'");
    const std::string written = WriteJson(first.value(), nullptr, separator);
    BindingResult second = ParseJson(written);
    ASSERT_TRUE(second.ok()) << second.message();
    EXPECT_TRUE(first.value() == second.value());
    EXPECT_TRUE(WriteJson(second.value(), nullptr, separator) == written);
  }
}

INSTANTIATE_TEST_SUITE_P(Corpora, JsonCorpusTest,
                         testing::Values("twitter.json", "citm_catalog.json", "canada.json"),
                         [](const testing::TestParamInfo<const char*>& info) {
                           std::string name = info.param;
                           return name.substr(0, name.find('.'));
                         });

}  // namespace
}  // namespace Vela
