#include <gtest/gtest.h>
#include <isolatedcall.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>

namespace {
int touchedByTheCall = 0;
}  // namespace

// What the call does stays in its copy; how it ended is the answer.
TEST(IsolatedCall, AnswersHowTheCallEnded) {
  EXPECT_EQ(
      CallIsolated([](void* value) { *static_cast<int*>(value) = 7; }, &touchedByTheCall, 10000),
      IsolatedCallResult::Returned);
  EXPECT_EQ(touchedByTheCall, 0);
  EXPECT_EQ(CallIsolated([](void*) { std::abort(); }, nullptr, 10000), IsolatedCallResult::Failed);
  EXPECT_EQ(CallIsolated([](void*) { std::raise(SIGSEGV); }, nullptr, 10000),
            IsolatedCallResult::Failed);
  EXPECT_EQ(CallIsolated([](void*) { std::_Exit(3); }, nullptr, 10000), IsolatedCallResult::Failed);
  EXPECT_EQ(CallIsolated([](void*) { std::_Exit(0); }, nullptr, 10000),
            IsolatedCallResult::Returned);
  EXPECT_EQ(CallIsolated([](void*) { pause(); }, nullptr, 100), IsolatedCallResult::TimedOut);
  EXPECT_EQ(CallIsolated(nullptr, nullptr, 100), IsolatedCallResult::Unavailable);
}
