#include "cli/OrderedParallel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

namespace polyverb::cli {
namespace {

// Later items finish first, so only the ordering can put the results back in order.
std::string SlowFirst(std::size_t i) {
  std::this_thread::sleep_for(std::chrono::microseconds(i % 7 == 0 ? 2000 : 0));
  return std::to_string(i);
}

TEST(OrderedParallelTest, DeliversInOrderWithAnyNumberOfJobs) {
  for (unsigned jobs : {1u, 2u, 5u}) {
    std::vector<std::string> got;
    ForEachInOrder<std::string>(100, jobs, SlowFirst, [&](std::size_t i, std::string& r) {
      EXPECT_EQ(i, got.size());
      got.push_back(r);
    });
    ASSERT_EQ(got.size(), 100u) << jobs;
    for (std::size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i], std::to_string(i));
  }
}

TEST(OrderedParallelTest, AFailureArrivesInItsPlaceAndStopsTheRun) {
  std::vector<std::size_t> delivered;
  std::atomic<std::size_t> started{0};
  auto work = [&](std::size_t i) -> int {
    ++started;
    if (i == 10) throw std::runtime_error("item 10");
    return static_cast<int>(i);
  };
  try {
    ForEachInOrder<int>(1000, 3, work, [&](std::size_t i, int&) { delivered.push_back(i); });
    FAIL() << "no failure";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()), "item 10");
  }
  EXPECT_EQ(delivered.size(), 10u);
  EXPECT_LT(started.load(), 100u);  // the window keeps the threads close behind
}

}  // namespace
}  // namespace polyverb::cli
