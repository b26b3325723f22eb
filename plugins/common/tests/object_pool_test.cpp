#include "plugins/common/object_pool.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

struct Probe;
using ProbePool = CObjectPool<ULONG_PTR, Probe>;

// An object whose destruction uses the pool from another thread, as a provider context's closing
// pipe call keeps its thread busy: that thread must not find the pool locked.
struct Probe {
  ProbePool* pool = nullptr;
  bool* otherThreadGotThrough = nullptr;
  ~Probe() {
    if (pool == nullptr) return;
    std::thread other([this] {
      std::shared_ptr<Probe> found;
      pool->Get(1, found);
      *otherThreadGotThrough = true;
    });
    other.join();
  }
};

TEST(ObjectPoolTest, HandsOutAddressesAndLooksUpOnlyWhatItHolds) {
  ProbePool pool;
  auto object = std::make_shared<Probe>();
  const ULONG_PTR handle = pool.Add(object);
  EXPECT_EQ(reinterpret_cast<ULONG_PTR>(object.get()), handle);
  EXPECT_EQ(0u, pool.Add(nullptr));
  std::shared_ptr<Probe> found;
  EXPECT_FALSE(pool.Get(handle + 1, found));
  EXPECT_EQ(nullptr, found);
  ASSERT_TRUE(pool.Get(handle, found));
  EXPECT_EQ(object, found);
  EXPECT_TRUE(pool.Remove(handle));
  EXPECT_FALSE(pool.Remove(handle));
  EXPECT_TRUE(pool.IsEmpty());
  EXPECT_EQ(2, found.use_count());  // the entry's reference went; the test's two stay
}

TEST(ObjectPoolTest, TheLastReferenceDiesAfterThePoolIsUnlocked) {
  ProbePool pool;
  bool gotThrough = false;
  auto object = std::make_shared<Probe>();
  object->pool = &pool;
  object->otherThreadGotThrough = &gotThrough;
  const ULONG_PTR handle = pool.Add(object);
  object.reset();
  EXPECT_TRUE(pool.Remove(handle));
  EXPECT_TRUE(gotThrough);

  gotThrough = false;
  object = std::make_shared<Probe>();
  object->pool = &pool;
  object->otherThreadGotThrough = &gotThrough;
  pool.Add(object);
  object.reset();
  pool.Clear();
  EXPECT_TRUE(gotThrough);
}

}  // namespace
