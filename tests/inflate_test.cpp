// Inflating to a known size through the platform's inflate.

#include <gtest/gtest.h>
#include <zlib.h>

#include <vector>

#include "platform/inflate.h"

namespace korvel::platform {
namespace {

std::vector<uint8_t> Deflated(const std::vector<uint8_t>& bytes) {
  uLongf size = compressBound(static_cast<uLong>(bytes.size()));
  std::vector<uint8_t> packed(size);
  EXPECT_EQ(compress2(packed.data(), &size, bytes.data(), static_cast<uLong>(bytes.size()), 9), Z_OK);
  packed.resize(size);
  return packed;
}

TEST(Inflate, MakesExactlyTheSizeAskedOrNothing) {
  std::vector<uint8_t> page(16384);
  for (size_t i = 0; i < page.size(); ++i) page[i] = static_cast<uint8_t>(i * 7 / 13);
  const std::vector<uint8_t> packed = Deflated(page);
  std::vector<uint8_t> withTail = packed;
  withTail.insert(withTail.end(), {1, 2, 3});
  std::vector<uint8_t> damaged = packed;
  damaged[damaged.size() - 1] ^= 1;  // the Adler-32 check
  const std::vector<uint8_t> cut(packed.begin(), packed.end() - 5);
  const std::vector<uint8_t> bomb = Deflated(std::vector<uint8_t>(1 << 24));

  struct Case {
    const char* what;
    const std::vector<uint8_t>& input;
    size_t outputSize;
    InflateResult expected;
  } cases[] = {
      {"exact", packed, page.size(), InflateResult::kInflated},
      {"bytes after the stream are not looked at", withTail, page.size(), InflateResult::kInflated},
      {"one byte too many", packed, page.size() - 1, InflateResult::kNotInflated},
      {"one byte too few", packed, page.size() + 1, InflateResult::kNotInflated},
      {"a wrong check", damaged, page.size(), InflateResult::kNotInflated},
      {"cut before its end", cut, page.size(), InflateResult::kNotInflated},
      {"no stream at all", page, page.size(), InflateResult::kNotInflated},
      {"a bomb stops at the output's size", bomb, page.size(), InflateResult::kNotInflated},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> output(c.outputSize);
    EXPECT_EQ(InflateExactly(c.input.data(), c.input.size(), output.data(), output.size()), c.expected) << c.what;
    if (c.expected == InflateResult::kInflated) EXPECT_EQ(output, page) << c.what;
  }
}

}  // namespace
}  // namespace korvel::platform
