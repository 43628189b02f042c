// The parameters of /api/search, named as the search command's options.
#include "serve/search_query.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "search/criteria_text.h"
#include "tests/test_support.h"

using testing_support::TempDir;
namespace fs = std::filesystem;

namespace {

struct TwoRoots {
    TwoRoots() {
        fs::create_directories(dir.path() / "a" / "sub");
        fs::create_directories(dir.path() / "b");
        roots.push_back(*ParseRootArgument("a=" + (dir.path() / "a").string()).root);
        roots.push_back(*ParseRootArgument("b=" + (dir.path() / "b").string()).root);
    }
    SearchParameters Parse(ApiParameters parameters) const {
        return ParseSearchParameters(parameters, roots);
    }
    TempDir dir;
    std::vector<ServedRoot> roots;
};

}  // namespace

TEST(ParseSearchParameters, ReadsEachCriterionAsTheSearchCommandDoes) {
    TwoRoots tree;
    SearchParameters parsed = tree.Parse({{"keyword", "平面"},
                                          {"keyword", "ｶﾞﾗｽ"},
                                          {"and", "1F"},
                                          {"and", "窓"},
                                          {"root", "a"},
                                          {"dir", "sub/"},
                                          {"no-subfolders", ""},
                                          {"types", "dxf,jw"},
                                          {"created", "1"},
                                          {"after", "2024-01-01"},
                                          {"before", "2024-12-31"},
                                          {"min-kb", "5"},
                                          {"max-kb", "12"},
                                          {"progress", "1"}});
    ASSERT_TRUE(parsed.query) << parsed.error.message;
    const ServeQuery& query = *parsed.query;
    EXPECT_TRUE(parsed.progress);
    EXPECT_EQ(query.keywords,
              (std::vector<std::string>{*KeywordToCp932("平面|ｶﾞﾗｽ"), *KeywordToCp932("1F"),
                                        *KeywordToCp932("窓")}));
    EXPECT_EQ(query.root, &tree.roots[0]);
    EXPECT_EQ(query.folder, "sub");
    EXPECT_EQ(query.place, tree.roots[0].path + "/sub");
    EXPECT_FALSE(query.subfolders);
    EXPECT_EQ(query.typeMask, *ParseTypes("dxf,jw"));
    EXPECT_EQ(query.date.kind, DateKind::Created);
    EXPECT_EQ(query.date.range, DateRange::Between);
    EXPECT_EQ(query.date.earliest, *ParseTimeArgument("2024-01-01", false));
    EXPECT_EQ(query.date.latest, *ParseTimeArgument("2024-12-31", true));
    EXPECT_EQ(query.size.minSize, 5000);
    EXPECT_EQ(query.size.maxSize, 12000);

    // The least: one keyword text (empty: every drawing) over the root, its
    // subfolders, every type, no date or size limit.
    SearchParameters least = tree.Parse({{"root", "b"}});
    ASSERT_TRUE(least.query);
    EXPECT_EQ(least.query->keywords, std::vector<std::string>{""});
    EXPECT_TRUE(least.query->subfolders);
    EXPECT_EQ(least.query->typeMask, unsigned{TYPE_ALL});
    EXPECT_EQ(least.query->date.kind, DateKind::Any);
    SearchParameters modifiedBefore = tree.Parse({{"root", "b"}, {"before", "2024-01-01"}});
    ASSERT_TRUE(modifiedBefore.query);
    EXPECT_EQ(modifiedBefore.query->date.kind, DateKind::Modified);
    EXPECT_EQ(modifiedBefore.query->date.range, DateRange::OnOrBefore);
}

TEST(ParseSearchParameters, RefusesWhatNoSearchCanTakeWithItsStatus) {
    TwoRoots tree;
    struct Case {
        ApiParameters parameters;
        int status;
        std::string words;
    };
    const std::vector<Case> cases = {
        {{{"root", "a"}, {"keword", "x"}}, 400, "unknown parameter: keword"},
        {{{"keyword", "x"}}, 400, "name a root"},
        {{{"root", "c"}}, 404, "no root is named c"},
        {{{"root", "a"}, {"root", "b"}}, 400, "give root once"},
        {{{"root", "a"}, {"dir", "../b"}}, 404, "no such folder"},
        {{{"root", "a"}, {"dir", "missing"}}, 404, "no such folder"},
        {{{"root", "a"}, {"keyword", "😀"}}, 400, "could never match"},
        {{{"root", "a"}, {"keyword", std::string(kMaxKeywordBytes + 1, 'x')}}, 400, "longer"},
        {{{"root", "a"}, {"types", "pdf"}}, 400, "unknown type in types"},
        {{{"root", "a"}, {"types", ""}}, 400, "検索するファイルの種類を指定してください"},
        {{{"root", "a"}, {"created", ""}, {"modified", ""}, {"before", "2024-01-01"}},
         400,
         "not both"},
        {{{"root", "a"}, {"created", ""}}, 400, "need before or after"},
        {{{"root", "a"}, {"before", "2024-02-30"}}, 400, "not a time"},
        {{{"root", "a"}, {"min-kb", "-1"}}, 400, "positive whole number"},
        {{{"root", "a"}, {"no-subfolders", "maybe"}}, 400, "takes 1 or 0"},
    };
    for (const Case& c : cases) {
        SearchParameters parsed = tree.Parse(c.parameters);
        EXPECT_FALSE(parsed.query) << c.words;
        EXPECT_EQ(parsed.error.status, c.status) << c.words;
        EXPECT_NE(parsed.error.message.find(c.words), std::string::npos) << parsed.error.message;
    }
    ApiParameters many{{"root", "a"}};
    for (size_t k = 0; k <= kMaxNarrowingTexts; ++k) many.insert({"and", "x"});
    EXPECT_EQ(tree.Parse(many).error.status, 400);
}
