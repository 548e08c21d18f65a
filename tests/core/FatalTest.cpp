#include "Core/Fatal.h"

#include <d3d9.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(CheckResultDeathTest, NegativeCodeReportsNameThenAssertionAtTheGivenSite) {
  constexpr const char* kReportSource = "demo\\Main";
  EXPECT_DEATH(VANTOR_CHECK_LINE(D3DERR_INVALIDCALL, 293),
               "D3DERR_INVALIDCALL\n.*demo\\\\Main:293: Assertion `0' failed");
}

TEST(CheckResultDeathTest, UnknownNegativeCodeIsShownInHex) {
  constexpr const char* kReportSource = "main";
  EXPECT_DEATH(VANTOR_CHECK_LINE(static_cast<HRESULT>(0x80001234u), 39),
               "HRESULT 0x80001234\n.*main:39: Assertion `0' failed");
}

TEST(CheckResult, SuccessCodesReturn) {
  constexpr const char* kReportSource = "gfx\\Scene";
  VANTOR_CHECK(D3D_OK);
  VANTOR_CHECK(S_FALSE);  // positive codes are successes too
  VANTOR_CHECK(1);
}

TEST(AssertionDeathTest, NamesExpressionFileAndLine) {
  const void* mesh = nullptr;
  {
    constexpr const char* kReportSource = "gfx\\FontImporter";
    EXPECT_DEATH(VANTOR_ASSERT_LINE(mesh, 48), "gfx\\\\FontImporter:48: Assertion `mesh' failed");
  }
  // Whitespace inside the expression survives as the source spelt it, and the report names
  // the line the assertion is written on.
  constexpr const char* kReportSource = "gfx\\VantorMesh";
  int faces = 1, edges = 0;
  // The failed-assertion report prints the expression exactly as written here.
  // clang-format off
  const std::string here = "gfx\\\\VantorMesh:" + std::to_string(__LINE__ + 1);
  EXPECT_DEATH(VANTOR_ASSERT(!(faces && !edges )),
               here + ": Assertion `!\\(faces && !edges \\)' failed");
  // clang-format on
}

TEST(CheckResultDeathTest, UnfixedCheckNamesTheLineItIsWrittenOn) {
  constexpr const char* kReportSource = "gfx\\Scene";
  const std::string here = "D3DERR_INVALIDCALL\n.*gfx\\\\Scene:" + std::to_string(__LINE__ + 1);
  EXPECT_DEATH(VANTOR_CHECK(D3DERR_INVALIDCALL), here + ": Assertion `0' failed");
}

TEST(Assertion, HoldingExpressionDoesNothingAndIsEvaluatedOnce) {
  constexpr const char* kReportSource = "gfx\\Scene";
  int evaluations = 0;
  VANTOR_ASSERT(++evaluations == 1);
  EXPECT_EQ(evaluations, 1);
}

TEST(ReportFatal, ShowsNumberedBoxAndReturnsEachTime) {
  testing::internal::CaptureStderr();
  vantor::reportFatal(160);
  EXPECT_STREQ(vantor::fatalMessage, "Unexpected fatal error(#160).");
  vantor::reportFatal(52);
  EXPECT_STREQ(vantor::fatalMessage, "Unexpected fatal error(#52).");
  const std::string shown = testing::internal::GetCapturedStderr();
  EXPECT_EQ(shown,
            "Vantor error: Unexpected fatal error(#160).\n"
            "Vantor error: Unexpected fatal error(#52).\n");
}

TEST(ReportFatal, ExtremeSiteNumbersStayInsideTheBuffer) {
  testing::internal::CaptureStderr();
  vantor::reportFatal(-2147483647 - 1);
  testing::internal::GetCapturedStderr();
  EXPECT_STREQ(vantor::fatalMessage, "Unexpected fatal error(#-2147483648).");
  EXPECT_LT(std::strlen(vantor::fatalMessage), sizeof vantor::fatalMessage);
}

}  // namespace
