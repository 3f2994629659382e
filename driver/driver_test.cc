#include <fcntl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "driver/conversion.h"
#include "driver/depth_stack.h"
#include "driver/registry.h"
#include "io/line_reader.h"
#include "io/memory.h"
#include "io/out_buffer.h"
#include "tests/convert.h"

namespace {

TEST(DepthStack, CallerIsOneLevelUpAndNoneAtDepthZeroOrOne) {
  reset_driver_state();
  EXPECT_EQ(depth_stack_parent(), -1);  // depth_top starts at 0
  ASSERT_TRUE(depth_stack_set(5, 0));
  EXPECT_EQ(depth_stack_parent(), -1);
  ASSERT_TRUE(depth_stack_set(6, 1));
  EXPECT_EQ(depth_stack_parent(), -1);
  ASSERT_TRUE(depth_stack_set(7, 2));
  EXPECT_EQ(depth_stack_parent(), 6);
  ASSERT_TRUE(depth_stack_set(8, 4));  // depth 3 never written: its slot is 0
  EXPECT_EQ(depth_stack_parent(), 0);
}

TEST(DepthStack, GrowsAsDeepAsTheInputKeepingOldSlots) {
  reset_driver_state();
  for (int d = 1; d <= 300; ++d) ASSERT_TRUE(depth_stack_set(d * 10, d));
  ASSERT_TRUE(depth_stack_set(-3, 100000));
  EXPECT_EQ(depth_stack_parent(), 0);
  ASSERT_TRUE(depth_stack_set(9, 301));
  EXPECT_EQ(depth_stack_parent(), 3000);
  ASSERT_TRUE(depth_stack_set(9, 64));
  EXPECT_EQ(depth_stack_parent(), 630);
  ASSERT_TRUE(depth_stack_set(1, 100001));
  EXPECT_EQ(depth_stack_parent(), -3);
  reset_driver_state();
}

TEST(Registry, GrowsInChunksOf512) {
  int32_t* list = nullptr;
  size_t count = 0;
  for (int i = 0; i < 1030; ++i) ASSERT_EQ(append_number(i * 2, 512, list, count), i);
  EXPECT_EQ(count, 1030u);
  EXPECT_EQ(list[0], 0);
  EXPECT_EQ(list[1029], 2058);
  std::free(list);
}

TEST(Registry, AnswersExactlyForAnyOrderOfNumbers) {
  const struct {
    const char* name;
    std::vector<int32_t> numbers;
  } orders[] = {
      {"ascending", {-7, 1, 3, 3, 10, 2000000000}},
      {"descending", {50, 40, 30, -20, INT32_MIN}},
      {"shuffled", {5, 1, 9, -4, 7, 5, 2}},
  };
  for (const auto& o : orders) {
    reset_driver_state();
    std::vector<int32_t> seen;
    for (int32_t n : o.numbers) {
      ASSERT_TRUE(register_defined(n));
      seen.push_back(n);
      for (int32_t probe = -25; probe <= 60; ++probe) {
        const bool expected = std::find(seen.begin(), seen.end(), probe) != seen.end();
        ASSERT_EQ(is_defined(probe), expected) << o.name << " probe " << probe;
      }
      EXPECT_TRUE(is_defined(n));
    }
    EXPECT_EQ(is_defined(INT32_MAX), false) << o.name;
  }
  // Many ascending numbers with gaps, so that the search takes many steps.
  reset_driver_state();
  for (int32_t n = 2; n <= 10000; n += 2) ASSERT_TRUE(register_defined(n));
  for (int32_t n = -1; n <= 10001; ++n) ASSERT_EQ(is_defined(n), n > 0 && n % 2 == 0) << n;
  // Many numbers after the order broke, so that the hash set grows a few times.
  reset_driver_state();
  for (int32_t n = 10000; n > 0; n -= 2) ASSERT_TRUE(register_defined(n));
  for (int32_t n = 1; n <= 10001; ++n) ASSERT_EQ(is_defined(n), n % 2 == 0) << n;
  reset_driver_state();
}

TEST(Registry, ComparesSigned) {
  EXPECT_EQ(compare_numbers(-1, 1), -1);
  EXPECT_EQ(compare_numbers(INT32_MAX, INT32_MIN), 1);
  EXPECT_EQ(compare_numbers(4, 4), 0);
}

// Fails every request after the first `allowed` ones.
int allowed = 0;
void* failing_realloc(void* block, size_t bytes) {
  return allowed-- > 0 ? std::realloc(block, bytes) : nullptr;
}

class ExhaustedMemory : public testing::Test {
 protected:
  void SetUp() override { reallocate = failing_realloc; }
  void TearDown() override {
    reallocate = std::realloc;
    reset_driver_state();
  }
};

TEST_F(ExhaustedMemory, EveryGrowingArrayReportsIt) {
  allowed = 0;
  int32_t* list = nullptr;
  size_t count = 0;
  EXPECT_EQ(append_number(1, 512, list, count), -1);
  EXPECT_EQ(list, nullptr);
  allowed = 0;
  EXPECT_FALSE(register_defined(1));
  allowed = 0;
  EXPECT_FALSE(depth_stack_set(1, 1000));
  EXPECT_TRUE(depth_stack_set(1, 10));  // the first slots need no memory
  allowed = 1;
  ASSERT_TRUE(register_defined(9));
  EXPECT_FALSE(register_defined(3));  // the hash set cannot be made
}

TEST_F(ExhaustedMemory, ConversionEndsWithStatusOne) {
  // The reader's first block fails: no graph line beyond the header.
  allowed = 0;
  conversion c = convert("1\tmain: int(), <main.c 10>\n");
  EXPECT_EQ(c.status, 1);
  EXPECT_EQ(c.out.find("node"), std::string::npos);
  // The reader's block, then the registry fails on the first definition.
  allowed = 1;
  c = convert("1\tmain: <>\n2\t\tf: x, <a.c 1>\n");
  EXPECT_EQ(c.status, 1);
  EXPECT_NE(c.out.find("label: \"main\""), std::string::npos);
  EXPECT_EQ(c.out.find("label: \"f\""), std::string::npos);
  EXPECT_NE(c.out.back(), '}');
}

TEST(Output, FormatsNumbersAndEscapesFields) {
  std::string got;
  out_buffer out;
  out.reset(-1, &got);
  for (int32_t v : {0, 7, -1, 2147483647, INT32_MIN}) {
    out.put_int(v);
    out.put(' ');
  }
  out.put_escaped("a\"b\\c\"\"");
  out.put_escaped("");
  out.put_escaped("plain \n\t\r");
  ASSERT_TRUE(out.flush());
  EXPECT_EQ(got, "0 7 -1 2147483647 -2147483648 a\\\"b\\\\c\\\"\\\"plain \n\t\r");
}

// Where the digits change in number, and both ends of the range.
TEST(Output, FormatsEveryWidthOfNumber) {
  std::vector<int32_t> values = {0, INT32_MAX, INT32_MIN, INT32_MIN + 1};
  for (int64_t p = 1; p <= 1000000000; p *= 10) {
    for (int64_t v : {p - 1, p, p + 1, 2 * p - 1, 9 * p, -p, -(p - 1), -(p + 1)})
      values.push_back(static_cast<int32_t>(v));
  }
  for (const int32_t v : values) {
    char text[16];
    std::memset(text, '#', sizeof text);
    const char* end = format_int(text, v);
    EXPECT_EQ(std::string(text, static_cast<size_t>(end - text)), std::to_string(v));
    EXPECT_EQ(std::string(text + 11, text + 16), "#####") << v;
  }
}

// Numbers that share a slot, again and in turns, and slots never written.
TEST(Output, CachedNumbersKeepTheirDigits) {
  number_cache cache;
  const int32_t values[] = {5,    1029, 5,     5,    1029, -1,      -1, 1023, INT32_MIN,
                            1023, 2047, 20000, 3072, 0,    1 << 30, 0,  -1024};
  for (const int32_t v : values) {
    char text[32];
    const char* end = cache.format(text, v);
    EXPECT_EQ(std::string(text, static_cast<size_t>(end - text)), std::to_string(v));
  }
}

TEST(Output, LongTextsCrossTheBufferIntact) {
  std::string got, want;
  out_buffer out;
  out.reset(-1, &got);
  for (int i = 0; i < 3000; ++i) {
    const std::string piece(i % 97 + 1, static_cast<char>('a' + i % 26));
    out.put(piece);
    out.put_escaped("\"");
    want += piece + "\\\"";
  }
  const std::string big(300000, 'z');
  out.put(big);
  want += big;
  ASSERT_TRUE(out.flush());
  EXPECT_EQ(got, want);
}

TEST(Output, AFailedWriteIsKept) {
  out_buffer out;
  out.reset(-1);  // no descriptor
  out.put("x");
  EXPECT_FALSE(out.flush());
  EXPECT_TRUE(out.failed());
  EXPECT_EQ(out.error(), EBADF);
}

// Lines as the reader hands them over from a descriptor holding `input`.
std::vector<std::string> read_lines(const std::string& input) {
  const int fd = memfd_create("lines", 0);
  EXPECT_EQ(write(fd, input.data(), input.size()), static_cast<ssize_t>(input.size()));
  lseek(fd, 0, SEEK_SET);
  std::vector<std::string> lines;
  line_reader reader(fd);
  padded_text line;
  while (reader.next(line) == READ_LINE) lines.emplace_back(line.view());
  close(fd);
  return lines;
}

TEST(LineReader, HandsOverWholePhysicalLines) {
  using lines = std::vector<std::string>;
  EXPECT_EQ(read_lines(""), lines{});
  EXPECT_EQ(read_lines("\n"), lines{""});
  EXPECT_EQ(read_lines("a\n\nb"), (lines{"a", "", "b"}));
  EXPECT_EQ(read_lines("a\r\nb\n"), (lines{"a\r", "b"}));
  // The text of a line ends at a NUL byte, also across blocks.
  EXPECT_EQ(read_lines(std::string("a\0b\nc\n\0\n", 8)), (lines{"a", "c", ""}));
  const std::string filler(300000, 'f');
  EXPECT_EQ(read_lines(filler + "\n" + std::string("x\0y", 3) + filler + "\nz\n" + filler),
            (lines{filler, "x", "z", filler}));
  EXPECT_EQ(read_lines(filler + std::string("\0", 1) + filler + "\n" + filler),
            (lines{filler, filler}));
  // Lines longer than any block, and lines across block ends.
  const std::string huge(3'000'000, 'x');
  EXPECT_EQ(read_lines("s\n" + huge + "\nt\n" + huge), (lines{"s", huge, "t", huge}));
  lines many;
  std::string text;
  for (int i = 0; i < 100000; ++i) {
    many.push_back(std::string(i % 37, 'q') + std::to_string(i));
    text += many.back() + "\n";
  }
  EXPECT_EQ(read_lines(text), many);
}

TEST(LineReader, ReportsAReadError) {
  const int fd = open("/", O_RDONLY);
  line_reader reader(fd);
  padded_text line;
  EXPECT_EQ(reader.next(line), READ_FAILED);
  EXPECT_EQ(reader.error(), EISDIR);
  close(fd);
}

}  // namespace
