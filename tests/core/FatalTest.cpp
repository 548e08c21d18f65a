#include "Core/Fatal.h"

#include <d3d9.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(CheckResultDeathTest, NegativeCodeReportsNameThenAssertionAtTheGivenSite) {
  EXPECT_DEATH(VANTOR_CHECK_AT(D3DERR_INVALIDCALL, "demo\\Main", 293),
               "D3DERR_INVALIDCALL\n.*demo\\\\Main:293: Assertion `0' failed");
}

TEST(CheckResultDeathTest, UnknownNegativeCodeIsShownInHex) {
  EXPECT_DEATH(VANTOR_CHECK_AT(static_cast<HRESULT>(0x80001234u), "main", 39),
               "HRESULT 0x80001234\n.*main:39: Assertion `0' failed");
}

TEST(CheckResult, SuccessCodesReturn) {
  VANTOR_CHECK(D3D_OK);
  VANTOR_CHECK(S_FALSE);  // positive codes are successes too
  VANTOR_CHECK(1);
}

TEST(AssertionDeathTest, NamesExpressionFileAndLine) {
  const void* mesh = nullptr;
  EXPECT_DEATH(VANTOR_ASSERT_AT(mesh, "gfx\\FontImporter", 48),
               "gfx\\\\FontImporter:48: Assertion `mesh' failed");
  // Whitespace inside the expression survives as the source spelt it.
  int faces = 1, edges = 0;
  EXPECT_DEATH(VANTOR_ASSERT_IN(!(faces && !edges ), "gfx\\VantorMesh"),
               "gfx\\\\VantorMesh:[0-9]+: Assertion `!\\(faces && !edges \\)' failed");
}

TEST(Assertion, HoldingExpressionDoesNothingAndIsEvaluatedOnce) {
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
