// The handle scheme and the two table forms (slot pointers and inline records) on small tables,
// and the memory-block table over them.
#include "morrow/graphics/handle.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "morrow/graphics/memory_block.h"
#include "morrow/system/memory.h"

namespace {

using morrow::ResourceHandle;

struct Rec {
  uint32_t checkNumber;
  int value;
};
struct InlineRec {
  uint32_t checkNumber;
  int value;
  uint32_t used;
};

constexpr int kLimit = 8;
using Table = morrow::HandleTable<Rec, morrow::kFontHandle, kLimit>;
using Inline = morrow::InlineHandleTable<InlineRec, morrow::kKeyInputHandle, kLimit>;

// Both table forms behind one face, so that every rule is tried on both.
class AnyTable {
 public:
  virtual ~AnyTable() = default;
  virtual ResourceHandle Add() = 0;
  virtual bool Valid(ResourceHandle h) = 0;
  virtual void Delete(ResourceHandle h) = 0;
  virtual int HighWater() const = 0;
  virtual int Count() const = 0;
  virtual morrow::HandleKind Kind() const = 0;
};

class PointerTable : public AnyTable {
 public:
  ~PointerTable() override {
    for (Rec* r : table_.slots) delete r;
  }
  ResourceHandle Add() override { return table_.Insert(table_.FreeSlot(), new Rec{}); }
  bool Valid(ResourceHandle h) override { return table_.Get(h) != nullptr; }
  void Delete(ResourceHandle h) override { delete table_.Remove(h); }
  int HighWater() const override { return table_.highWater; }
  int Count() const override { return table_.count; }
  morrow::HandleKind Kind() const override { return morrow::kFontHandle; }

 private:
  Table table_;
};

class InlineTable : public AnyTable {
 public:
  ResourceHandle Add() override { return table_.Insert(table_.FreeSlot()); }
  bool Valid(ResourceHandle h) override { return table_.Get(h) != nullptr; }
  void Delete(ResourceHandle h) override { table_.Remove(h); }
  int HighWater() const override { return table_.highWater; }
  int Count() const override { return table_.count; }
  morrow::HandleKind Kind() const override { return morrow::kKeyInputHandle; }

 private:
  Inline table_;
};

int Slot(ResourceHandle h) {
  return h & 0xFFFF;
}
uint32_t Check(ResourceHandle h) {
  return (static_cast<uint32_t>(h) >> 16) & 0x7FF;
}

class Tables : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    if (GetParam()) {
      t_ = std::make_unique<InlineTable>();
    } else {
      t_ = std::make_unique<PointerTable>();
    }
  }
  std::unique_ptr<AnyTable> t_;
};

TEST_P(Tables, HandleIsKindCheckNumberAndSlot) {
  std::vector<ResourceHandle> made;
  for (int i = 0; i < 3; ++i) made.push_back(t_->Add());
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(made[i], static_cast<ResourceHandle>(t_->Kind() | (i << 16) | i));
    EXPECT_TRUE(t_->Valid(made[i]));
  }
}

TEST_P(Tables, EveryFailedCheckRejects) {
  const ResourceHandle live = t_->Add();
  const ResourceHandle freed = t_->Add();
  t_->Delete(freed);
  const ResourceHandle other =
      static_cast<ResourceHandle>((live & ~0x78000000) | morrow::kGraphHandle);
  const ResourceHandle atLimit = static_cast<ResourceHandle>(t_->Kind() | kLimit);
  const ResourceHandle stale = static_cast<ResourceHandle>(live + (1 << 16));
  for (ResourceHandle bad :
       {-1, -2, -4, static_cast<ResourceHandle>(live | 0x80000000), other, atLimit, freed, stale}) {
    EXPECT_FALSE(t_->Valid(bad)) << std::hex << bad;
  }
  EXPECT_TRUE(t_->Valid(live));
}

TEST_P(Tables, ReusedSlotRejectsTheOldHandle) {
  const ResourceHandle a = t_->Add();
  t_->Add();
  t_->Delete(a);
  // The high-water index is 2, so slot 0 waits until the table is full; fill it up to reuse it.
  std::vector<ResourceHandle> rest;
  for (int i = 2; i < kLimit; ++i) rest.push_back(t_->Add());
  const ResourceHandle b = t_->Add();
  EXPECT_EQ(Slot(b), Slot(a));
  EXPECT_NE(b, a);
  EXPECT_FALSE(t_->Valid(a));
  EXPECT_TRUE(t_->Valid(b));
}

TEST_P(Tables, CheckNumberWrapsAfter2047) {
  ResourceHandle h = -1;
  for (int i = 0; i < 2048; ++i) {
    h = t_->Add();
    EXPECT_EQ(Check(h), static_cast<uint32_t>(i));
    t_->Delete(h);
  }
  const ResourceHandle wrapped = t_->Add();  // the 2049th record
  EXPECT_EQ(Check(wrapped), 0u);
  EXPECT_EQ(Slot(wrapped), 0);
}

TEST_P(Tables, HighWaterDropsPastTrailingFreeSlots) {
  std::vector<ResourceHandle> h;
  for (int i = 0; i < 6; ++i) h.push_back(t_->Add());
  struct Step {
    int deleteIndex;
    int highWater;
  } steps[] = {{2, 6}, {3, 6}, {4, 6}, {5, 2}, {0, 2}, {1, 0}};
  for (const Step& s : steps) {
    t_->Delete(h[s.deleteIndex]);
    EXPECT_EQ(t_->HighWater(), s.highWater) << "after slot " << s.deleteIndex;
  }
  EXPECT_EQ(t_->Count(), 0);
  EXPECT_EQ(Slot(t_->Add()), 0);
}

TEST_P(Tables, AtTheLimitTheLowestFreeSlotIsTaken) {
  std::vector<ResourceHandle> h;
  for (int i = 0; i < kLimit; ++i) h.push_back(t_->Add());
  t_->Delete(h[5]);
  t_->Delete(h[2]);
  EXPECT_EQ(t_->HighWater(), kLimit);
  EXPECT_EQ(Slot(t_->Add()), 2);
  EXPECT_EQ(Slot(t_->Add()), 5);
  EXPECT_EQ(t_->Count(), kLimit);
}

INSTANTIATE_TEST_SUITE_P(Forms, Tables, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Inline" : "Pointers"; });

TEST(HandleKinds, LimitsAndValues) {
  struct Kind {
    morrow::HandleKind kind;
    uint32_t value;
    int limit;
  } kinds[] = {{morrow::kGraphHandle, 0x08000000, morrow::kGraphLimit},
               {morrow::kSoundHandle, 0x10000000, morrow::kSoundLimit},
               {morrow::kMovieHandle, 0x18000000, morrow::kMovieLimit},
               {morrow::kFontHandle, 0x20000000, morrow::kFontLimit},
               {morrow::kSurface2DHandle, 0x28000000, morrow::kSurface2DLimit},
               {morrow::kSurface3DHandle, 0x30000000, morrow::kSurface3DLimit},
               {morrow::kSurfaceHandle, 0x38000000, morrow::kSurfaceLimit},
               {morrow::kMemoryBlockHandle, 0x40000000, morrow::kMemoryBlockLimit},
               {morrow::kNetworkHandle, 0x48000000, morrow::kNetworkLimit},
               {morrow::kKeyInputHandle, 0x50000000, morrow::kKeyInputLimit},
               {morrow::kMusicHandle, 0x58000000, morrow::kMusicLimit}};
  const int limits[] = {30000, 4096, 100, 40, 30000, 65535, 65535, 512, 256, 20, 256};
  for (size_t i = 0; i < std::size(kinds); ++i) {
    EXPECT_EQ(static_cast<uint32_t>(kinds[i].kind), kinds[i].value);
    EXPECT_EQ(kinds[i].limit, limits[i]);
    // The last slot is a handle, the limit is not.
    EXPECT_EQ(morrow::HandleSlotOf(morrow::MakeHandle(kinds[i].kind, 2047, limits[i] - 1),
                                   kinds[i].kind, limits[i]),
              limits[i] - 1);
    EXPECT_EQ(morrow::HandleSlotOf(morrow::MakeHandle(kinds[i].kind, 0, limits[i]), kinds[i].kind,
                                   limits[i]),
              -1);
  }
}

class MemoryBlocks : public ::testing::Test {
 protected:
  void TearDown() override { morrow::DeleteAllMemoryHandles(); }
  // The table has no creator of its own: a record is made the way one would be.
  static ResourceHandle Make() {
    morrow::MemoryBlockTable& t = morrow::GetMemoryBlockTable();
    ResourceHandle h = t.Insert(t.FreeSlot());
    t.Get(h)->block = morrow::AllocateMemory(64);
    return h;
  }
};

TEST_F(MemoryBlocks, DeleteTakesOnlyLiveHandlesOfItsKind) {
  const ResourceHandle a = Make();
  const ResourceHandle b = Make();
  const ResourceHandle graphKind =
      static_cast<ResourceHandle>((a & ~0x78000000) | morrow::kGraphHandle);
  for (ResourceHandle bad :
       {-1, graphKind, static_cast<ResourceHandle>(morrow::kMemoryBlockHandle | 512),
        static_cast<ResourceHandle>(morrow::kMemoryBlockHandle | 7),
        static_cast<ResourceHandle>(a + (5 << 16))}) {
    EXPECT_EQ(morrow::DeleteMemoryHandle(bad), -1) << std::hex << bad;
  }
  EXPECT_EQ(morrow::DeleteMemoryHandle(a), 0);
  EXPECT_EQ(morrow::DeleteMemoryHandle(a), -1);
  const morrow::MemoryBlockRecord& freed = morrow::GetMemoryBlockTable().records[Slot(a)];
  EXPECT_EQ(freed.used, 0u);
  EXPECT_EQ(freed.block, nullptr);
  EXPECT_NE(morrow::GetMemoryBlockTable().Get(b), nullptr);
}

TEST_F(MemoryBlocks, DeleteAllEmptiesTheTable) {
  EXPECT_EQ(morrow::DeleteAllMemoryHandles(), 0);  // empty: nothing to do
  std::vector<ResourceHandle> made;
  for (int i = 0; i < 5; ++i) made.push_back(Make());
  morrow::DeleteMemoryHandle(made[1]);
  EXPECT_EQ(morrow::DeleteAllMemoryHandles(), 0);
  const morrow::MemoryBlockTable& t = morrow::GetMemoryBlockTable();
  EXPECT_EQ(t.count, 0);
  EXPECT_EQ(t.highWater, 0);
  for (ResourceHandle h : made) EXPECT_EQ(morrow::GetMemoryBlockTable().Get(h), nullptr);
}

}  // namespace
