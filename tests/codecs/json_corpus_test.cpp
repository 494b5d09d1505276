// Real documents: the parsed tree matches RapidJSON's own document, and writing then
// parsing again gives the same tree.

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

// Compares two trees without recursion; Floats may differ by `maxUlps`. Records the first
// difference in `where`.
bool SameTree(const BindingProperty& left, const BindingProperty& right, uint64_t maxUlps,
              std::string& where) {
  std::vector<std::pair<const BindingProperty*, const BindingProperty*>> pending{{&left, &right}};
  while (!pending.empty()) {
    auto [a, b] = pending.back();
    pending.pop_back();
    if (a->kind() != b->kind() || a->size() != b->size()) {
      where = "kind or size differs";
      return false;
    }
    switch (a->kind()) {
      case BindingKind::Float: {
        const double x = a->GetFloatOr(0);
        const double y = b->GetFloatOr(0);
        if (UlpDistance(x, y) > maxUlps) {
          where = std::to_string(x) + " vs " + std::to_string(y);
          return false;
        }
        break;
      }
      case BindingKind::Collection:
        for (std::size_t i = 0; i < a->size(); ++i) {
          pending.emplace_back(&a->ElementOrEmpty(i), &b->ElementOrEmpty(i));
        }
        break;
      case BindingKind::Structure:
        for (std::size_t i = 0; i < a->size(); ++i) {
          if (a->Fields()[i].name() != b->Fields()[i].name()) {
            where = "field " + std::string(a->Fields()[i].name());
            return false;
          }
          pending.emplace_back(&a->Fields()[i].value(), &b->Fields()[i].value());
        }
        break;
      case BindingKind::Empty:
      case BindingKind::Bool:
      case BindingKind::Signed:
      case BindingKind::Unsigned:
      case BindingKind::String:
      case BindingKind::Blob:
      case BindingKind::Enum:
        if (!(*a == *b)) {
          where = "scalar differs: " + a->AsText() + " vs " + b->AsText();
          return false;
        }
        break;
    }
  }
  return true;
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
// comes back exactly (canada.json is full of long fractions).
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
    std::string where;
    EXPECT_TRUE(SameTree(first.value(), second.value(), 0, where)) << where;
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
