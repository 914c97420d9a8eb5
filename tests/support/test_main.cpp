// The main of every test program: GoogleTest plus the skip policy.
#include <gtest/gtest.h>

#include <cstring>

#include "support/skip_policy.h"

namespace {

bool listed(const char* message) {
  for (const char* reason : by_design_skips)
    if (std::strncmp(message, reason, std::strlen(reason)) == 0) return true;
  return false;
}

// Fails a test that skipped for a reason not on the list. It runs before the
// result printer sees the test, so the test is reported (and counted by
// ctest) as failed, not as skipped.
class SkipPolicy : public testing::EmptyTestEventListener {
  void OnTestEnd(const testing::TestInfo& info) override {
    const testing::TestResult& result = *info.result();
    for (int i = 0; i < result.total_part_count(); ++i) {
      const testing::TestPartResult& part = result.GetTestPartResult(i);
      if (part.skipped() && !listed(part.message()))
        ADD_FAILURE_AT(part.file_name() ? part.file_name() : "", part.line_number())
            << "skipped for a reason not listed in tests/support/skip_policy.h: " << part.message();
    }
  }
};

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  testing::UnitTest::GetInstance()->listeners().Append(new SkipPolicy);
  return RUN_ALL_TESTS();
}
