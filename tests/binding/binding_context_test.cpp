#include "binding/binding_context.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "binding/binding_property.h"
#include "binding/page_source.h"
#include "util/text_hash.h"

namespace Vela {
namespace {

// Owns a context for the duration of a test.
class ContextTest : public ::testing::Test {
 protected:
  void TearDown() override { BindingContext::Destroy(context_); }
  BindingContext* context_ = BindingContext::Create();
};

TEST_F(ContextTest, InterningTheSameTextTwiceStoresItOnceWithTwoReferences) {
  const InternedText* first = context_->Intern("summoner");
  const InternedText* second = context_->Intern(std::string("summoner"));
  EXPECT_EQ(first, second);
  EXPECT_EQ(context_->InternedCount(), 1u);
  EXPECT_EQ(context_->ReferencesOf("summoner"), 2u);
  EXPECT_EQ(first->hash, TextHash("summoner"));
  EXPECT_EQ(first->view(), "summoner");

  context_->Release(first);
  context_->Release(second);
  EXPECT_EQ(context_->ReferencesOf("summoner"), 0u);
  EXPECT_EQ(context_->InternedCount(), 0u);
  EXPECT_EQ(context_->SlotsInUse(), 0u);
  EXPECT_EQ(context_->BytesInUse(), 0u);
}

TEST_F(ContextTest, TheEmptyTextIsOneStaticEntryThatIsNeverCounted) {
  const InternedText* empty = context_->Intern("");
  EXPECT_EQ(empty, BindingContext::EmptyText());
  EXPECT_EQ(context_->Intern(std::string_view{}), empty);
  context_->Release(empty);
  context_->Release(empty);
  context_->AddReference(empty);
  EXPECT_EQ(context_->InternedCount(), 0u);
  EXPECT_EQ(context_->SlotsInUse(), 0u);
  EXPECT_EQ(BindingContext::EmptyText()->references, 0u);
}

TEST_F(ContextTest, TextsThatDifferOnlyAfterAZeroByteStayDistinct) {
  const InternedText* a = context_->Intern(std::string_view("a\0b", 3));
  const InternedText* b = context_->Intern(std::string_view("a\0c", 3));
  EXPECT_NE(a, b);
  EXPECT_EQ(context_->InternedCount(), 2u);
  context_->Release(a);
  context_->Release(b);
}

TEST_F(ContextTest, BucketsDoubleBeforeTheLoadFactorWouldExceedOne) {
  EXPECT_EQ(context_->BucketCount(), 8u);
  std::vector<const InternedText*> entries;
  for (int i = 0; i < 8; ++i) {
    entries.push_back(context_->Intern("name" + std::to_string(i)));
  }
  EXPECT_EQ(context_->BucketCount(), 8u);  // 8 entries in 8 buckets: load factor 1.0
  entries.push_back(context_->Intern("name8"));
  EXPECT_EQ(context_->BucketCount(), 16u);
  for (int i = 9; i < 1000; ++i) {
    entries.push_back(context_->Intern("name" + std::to_string(i)));
  }
  EXPECT_EQ(context_->BucketCount(), 1024u);
  EXPECT_FALSE(context_->UsesKeyedHash());  // ordinary texts keep the fast hash
  // Every entry is still found after the rehashing, once.
  for (int i = 0; i < 1000; ++i) {
    SCOPED_TRACE(i);
    ASSERT_EQ(context_->ReferencesOf("name" + std::to_string(i)), 1u);
    ASSERT_EQ(context_->Intern("name" + std::to_string(i)), entries[i]);
  }
  for (const InternedText* entry : entries) {
    context_->Release(entry);
    context_->Release(entry);
  }
  EXPECT_EQ(context_->InternedCount(), 0u);
  EXPECT_EQ(context_->BytesInUse(), 0u);
  EXPECT_EQ(context_->PagesHeld(), 0u);
}

// Texts of 16 blocks of 16 bytes; each bit of `number` picks one of two variants of its
// block, which differ in bit 63 of the first word and bits 63 and 31 of the second. TextHash
// maps all 65,536 such texts to one value, so they would all share one chain.
std::string CollidingText(uint32_t number) {
  std::string text(16 * 16, '\0');
  for (uint32_t block = 0; block < 16; ++block) {
    uint64_t words[2] = {0x6867666564636261u + block, 0x706F6E6D6C6B6A69u + block};
    if ((number >> block) & 1) {
      words[0] ^= uint64_t{1} << 63;
      words[1] ^= (uint64_t{1} << 63) | (uint64_t{1} << 31);
    }
    std::memcpy(text.data() + block * 16, words, sizeof words);
  }
  return text;
}

TEST_F(ContextTest, TextsChosenToCollideMoveTheTableToTheKeyedHash) {
  constexpr uint32_t kCount = 50000;
  ASSERT_EQ(TextHash(CollidingText(0)), TextHash(CollidingText(kCount - 1)));
  std::vector<const InternedText*> entries;
  for (uint32_t i = 0; i < kCount; ++i) {
    entries.push_back(context_->Intern(CollidingText(i)));
  }
  EXPECT_TRUE(context_->UsesKeyedHash());
  EXPECT_EQ(context_->InternedCount(), kCount);
  EXPECT_NE(entries[0]->hash, entries[kCount - 1]->hash);
  for (uint32_t i = 0; i < kCount; ++i) {
    SCOPED_TRACE(i);
    const std::string text = CollidingText(i);
    ASSERT_EQ(entries[i]->view(), text);
    ASSERT_EQ(context_->ReferencesOf(text), 1u);
    ASSERT_EQ(context_->Intern(text), entries[i]);
  }
  EXPECT_EQ(context_->ReferencesOf(CollidingText(kCount)), 0u);
  for (const InternedText* entry : entries) {
    context_->Release(entry);
    context_->Release(entry);
  }
  EXPECT_EQ(context_->InternedCount(), 0u);
  EXPECT_EQ(context_->BytesInUse(), 0u);
}

TEST_F(ContextTest, NodesAreAlignedForPointersAndWords) {
  for (std::size_t bytes = 1; bytes <= BindingContext::kMaxMediumBytes + 8; ++bytes) {
    SCOPED_TRACE(bytes);
    void* a = context_->AllocateNode(bytes);
    void* b = context_->AllocateNode(bytes);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(a) % alignof(void*), 0u);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(b) % alignof(void*), 0u);
    EXPECT_GE(static_cast<char*>(b) > static_cast<char*>(a)
                  ? static_cast<std::size_t>(static_cast<char*>(b) - static_cast<char*>(a))
                  : static_cast<std::size_t>(static_cast<char*>(a) - static_cast<char*>(b)),
              bytes);
    context_->FreeNode(a, bytes);
    context_->FreeNode(b, bytes);
  }
  EXPECT_EQ(context_->SlotsInUse(), 0u);
  EXPECT_EQ(context_->BytesInUse(), 0u);
}

TEST(PageSourceTest, PagesAreAlignedDistinctAndComeFromWholeRegions) {
  PageSource& source = PageSource::Instance();
  const std::size_t outstanding = source.PagesOutstanding();
  std::vector<void*> pages;
  for (int i = 0; i < 40; ++i) {
    void* page = source.AcquirePage();
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(page) % kPageBytes, 0u);
    pages.push_back(page);
  }
  EXPECT_EQ(std::set<void*>(pages.begin(), pages.end()).size(), pages.size());
  EXPECT_EQ(source.PagesOutstanding(), outstanding + 40);
  EXPECT_GE(source.RegionsCommitted(), 3u);  // 16 pages a region
  const std::size_t regions = source.RegionsCommitted();
  for (void* page : pages) source.ReleasePage(page);
  EXPECT_EQ(source.PagesOutstanding(), outstanding);
  // Released pages serve later requests without new regions.
  for (void*& page : pages) page = source.AcquirePage();
  EXPECT_EQ(source.RegionsCommitted(), regions);
  source.ReleasePages(pages.data(), pages.size());  // all at once, as a context does
  EXPECT_EQ(source.PagesOutstanding(), outstanding);
  // And they are all usable again.
  for (void*& page : pages) page = source.AcquirePage();
  EXPECT_EQ(std::set<void*>(pages.begin(), pages.end()).size(), pages.size());
  EXPECT_EQ(source.RegionsCommitted(), regions);
  source.ReleasePages(pages.data(), pages.size());
  EXPECT_EQ(source.PagesOutstanding(), outstanding);
}

// Through the value model: a tree freed completely hands everything back.
TEST(ContextOfTreeTest, ResettingATreeReturnsAllSlotsAndPages) {
  const std::size_t pagesBefore = PageSource::Instance().PagesOutstanding();
  BindingProperty root;
  for (int i = 0; i < 2000; ++i) {
    BindingProperty& item = root.MutableField("item" + std::to_string(i));
    item.MutableField("name") = "name " + std::to_string(i % 50);
    item.MutableField("tags").Append() = "tag";
    item.MutableField("bytes") = std::vector<uint8_t>{1, 2, 3};
    item.MutableField("kind") = BindingEnum{i, nullptr};
  }
  const BindingContext* context = root.context();
  ASSERT_NE(context, nullptr);
  EXPECT_GT(context->PagesHeld(), 0u);
  // Field names and the 50 distinct texts are stored once each.
  EXPECT_EQ(context->ReferencesOf("name"), 2000u);
  EXPECT_EQ(context->ReferencesOf("name 7"), 40u);
  EXPECT_EQ(context->InternedCount(), 2000u + 4u + 1u + 50u);

  root.Reset();
  EXPECT_EQ(root.context(), context);  // a root keeps its context
  EXPECT_EQ(context->InternedCount(), 0u);
  EXPECT_EQ(context->PagesHeld(), 0u);
  EXPECT_EQ(PageSource::Instance().PagesOutstanding(), pagesBefore);
}

}  // namespace
}  // namespace Vela
