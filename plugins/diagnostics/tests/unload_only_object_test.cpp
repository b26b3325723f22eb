#include "plugins/diagnostics/unload_only_object.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <type_traits>
#include <vector>

namespace luma::diagnostics {
namespace {

struct CCounted {
  CCounted() { ++built; }
  ~CCounted() { ++destroyed; }
  int value = 7;
  static std::atomic<int> built;
  static std::atomic<int> destroyed;
};
std::atomic<int> CCounted::built{0};
std::atomic<int> CCounted::destroyed{0};

// A static holder must register no destructor: none may run at process exit.
static_assert(std::is_trivially_destructible_v<CUnloadOnlyObject<CCounted>>);

TEST(UnloadOnlyObjectTest, BuiltOnceOnFirstUseAndDestroyedOnlyByDestroy) {
  CUnloadOnlyObject<CCounted> holder;
  EXPECT_EQ(0, CCounted::built.load());
  holder.Destroy();  // never built: nothing to destroy
  EXPECT_EQ(0, CCounted::destroyed.load());

  std::vector<std::thread> users;
  std::atomic<int> sum{0};
  for (int i = 0; i < 8; ++i) users.emplace_back([&] { sum += holder.Get().value; });
  for (std::thread& user : users) user.join();
  EXPECT_EQ(56, sum.load());
  EXPECT_EQ(1, CCounted::built.load());

  holder.Destroy();
  holder.Destroy();
  EXPECT_EQ(1, CCounted::destroyed.load());
}

}  // namespace
}  // namespace luma::diagnostics
