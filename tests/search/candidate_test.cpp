#include "search/candidate.h"

#include <gtest/gtest.h>

#include "platform/encoding.h"
#include "tests/test_support.h"

namespace {

std::string Sjis(const char* utf8) { return Utf8ToCp932(utf8).value(); }

}  // namespace

TEST(EvaluateCandidate, AHitCarriesTheLineThatMatchedAndItsKind) {
    testing_support::TempDir dir;
    std::string path = (dir.path() / "a.dxf").string();
    testing_support::WriteFileBytes(path, testing_support::DxfWithTexts({"first", "45%%d"}));
    CandidateOutcome outcome = EvaluateCandidate(path, PrepareKeywords(Sjis("45 °")), {}, {});
    ASSERT_TRUE(outcome.hit);
    EXPECT_EQ(outcome.hit->matchText, Sjis("45°"));
    EXPECT_EQ(outcome.hit->matchKind, TextKind::Text);
    // The empty keyword text lists every drawing without reading it: no line.
    outcome = EvaluateCandidate(path, PrepareKeywords(""), {}, {});
    ASSERT_TRUE(outcome.hit);
    EXPECT_EQ(outcome.hit->matchText, "");
    EXPECT_FALSE(outcome.hit->matchKind);
    EXPECT_FALSE(EvaluateCandidate(path, PrepareKeywords("45 %"), {}, {}).hit);
}
