#include <gtest/gtest.h>

#include "download/block_plan.h"
#include "download/segment_plan.h"
#include "download/thread_count.h"

namespace brisklet::download {
namespace {

TEST(SegmentPlan, CutsFilesAsTheExamplesShow) {
  struct Case {
    std::int64_t fileSize;
    int threads;
    std::vector<SegmentTask> first;  // the plan's first tasks
    SegmentTask last;
    std::int64_t count;
  } cases[] = {
      {1000000,
       32,
       {{0, 1, 131072}, {131073, 2, 262145}, {262146, 3, 393218}},
       {917511, 8, 1000000},
       8},
      {104857600, 32, {{0, 1, 3276800}, {3276801, 2, 6553601}}, {101580831, 32, 104857600}, 32},
      {131072, 32, {}, {0, 1, 131072}, 1},
      {131074, 32, {{0, 1, 131072}}, {131073, 2, 131074}, 2},
      {131073, 32, {{0, 1, 131072}}, {131073, 2, 131073}, 2},
      {0, 32, {}, {0, 1, 0}, 1},
      // Past 4 GiB: 64-bit sizes, one segment per thread.
      {(std::int64_t{5} << 30), 8, {{0, 1, 671088640}}, {4697620487, 8, 5368709120}, 8},
  };
  for (const auto& c : cases) {
    auto plan = PlanSegments(c.fileSize, PlanSegmentSize(c.fileSize, c.threads));
    ASSERT_EQ(static_cast<std::int64_t>(plan.size()), c.count) << c.fileSize;
    for (std::size_t i = 0; i < c.first.size(); ++i) EXPECT_EQ(plan[i], c.first[i]) << c.fileSize;
    EXPECT_EQ(plan.back(), c.last) << c.fileSize;
    std::int64_t covered = 0;
    for (const auto& t : plan) covered += SegmentLength(t, c.fileSize);
    EXPECT_EQ(covered, c.fileSize) << c.fileSize;  // every byte exactly once
  }
}

TEST(SegmentPlan, TheEmptyLastSegmentHasNoByteToFetch) {
  auto plan = PlanSegments(131073 * 3, kMinSegmentSize);
  ASSERT_EQ(plan.size(), 4u);
  EXPECT_EQ(plan.back(), (SegmentTask{393219, 4, 393219}));
  EXPECT_EQ(SegmentLength(plan.back(), 131073 * 3), 0);
  EXPECT_EQ(SegmentLength(plan[2], 131073 * 3), 131073);
}

TEST(SegmentPlan, OddThreadCountsKeepTheMinimumSegment) {
  EXPECT_EQ(PlanSegmentSize(1 << 30, 0), std::int64_t{1} << 30);
  EXPECT_EQ(PlanSegmentSize(1 << 30, -5), std::int64_t{1} << 30);
  EXPECT_EQ(PlanSegmentSize(1000, 32), kMinSegmentSize);
}

TEST(SegmentPlan, TaskDataIsTwentyFourLittleEndianBytes) {
  SegmentTask t{0x0102030405060708, 2, std::int64_t{5} << 30};
  Bytes b = EncodeSegmentTask(t);
  ASSERT_EQ(b.size(), 24u);
  EXPECT_EQ(b[0], 0x08);
  EXPECT_EQ(b[7], 0x01);
  EXPECT_EQ(b[8], 2);
  EXPECT_EQ(b[20], 1);  // 5 << 30 = 0x1_4000_0000
  EXPECT_EQ(DecodeSegmentTask(b), t);
  EXPECT_EQ(DecodeSegmentTask(Bytes(23)), std::nullopt);
}

TEST(BlockPlan, CutsFilesIntoMebibyteBlocks) {
  struct Case {
    std::int64_t fileSize;
    std::int64_t count;
    std::vector<BlockRange> ranges;
  } cases[] = {
      {5000000,
       5,
       {{0, 1048575},
        {1048576, 2097151},
        {2097152, 3145727},
        {3145728, 4194303},
        {4194304, 5000000}}},
      {1048576, 1, {{0, 1048576}}},
      {1048577, 2, {{0, 1048575}, {1048576, 1048577}}},
      {(std::int64_t{4} << 30) + 1, 4097, {}},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(BlockCount(c.fileSize), c.count) << c.fileSize;
    for (std::size_t i = 0; i < c.ranges.size(); ++i)
      EXPECT_EQ(BlockOf(static_cast<std::int64_t>(i) + 1, c.fileSize), c.ranges[i]) << c.fileSize;
    std::int64_t covered = 0;
    for (std::int64_t n = 1; n <= c.count; ++n) covered += BlockLength(n, c.fileSize);
    EXPECT_EQ(covered, c.fileSize);
  }
  EXPECT_EQ(BlockOf(4097, (std::int64_t{4} << 30) + 1),
            (BlockRange{std::int64_t{4} << 30, (std::int64_t{4} << 30) + 1}));
  EXPECT_EQ(ThreadLimit(32, 3), 3);
  EXPECT_EQ(ThreadLimit(32, 5000), 32);
}

TEST(ThreadCount, EveryTypedCountBecomesASoundOne) {
  struct Case {
    long long typed;
    int used;
  } cases[] = {{0, 32},           {-5, 32},           {1, 1}, {8, 8}, {128, 128}, {129, 128},
               {2147483647, 128}, {-2147483648LL, 32}};
  for (auto c : cases) EXPECT_EQ(UsableThreadCount(c.typed), c.used) << c.typed;
}

}  // namespace
}  // namespace brisklet::download
