#include "index/index_query.h"

#include <algorithm>

#include "index/index_store.h"
#include "index/indexed_drawing.h"
#include "index/indexed_form.h"
#include "index/walk_key.h"
#include "match/line_match.h"
#include "search/candidate.h"
#include "search/drawing_types.h"
#include "search/extract_text.h"

namespace {

// Whether a list of pieces needs the text: an empty list matches nothing and
// a list with an empty piece everything, without it.
bool TestsText(const KeywordList& pieces) {
    return !pieces.empty() && std::none_of(pieces.begin(), pieces.end(),
                                           [](const std::string& piece) { return piece.empty(); });
}

// The parameters of a statement as it is written: each Add gives its "$n".
class Parameters {
  public:
    std::string Add(PgParam param) {
        m_params.push_back(std::move(param));
        return "$" + std::to_string(m_params.size());
    }
    std::vector<PgParam> Take() { return std::move(m_params); }

  private:
    std::vector<PgParam> m_params;
};

// "t.folded LIKE $3 ESCAPE '\' OR t.folded ~ $4 ...": the chunk holds a piece.
std::string ChunkHoldsAPiece(const KeywordList& pieces, Parameters& params) {
    std::string condition;
    for (const std::string& piece : pieces) {
        PiecePattern pattern = PatternOfPiece(piece);
        if (!condition.empty()) condition += " OR ";
        std::string placeholder = params.Add(PgParam::Text(std::move(pattern.pattern)));
        switch (pattern.test) {
            case PiecePattern::Test::Like:
                condition += "t.folded LIKE " + placeholder + "::text ESCAPE E'\\\\'";
                break;
            case PiecePattern::Test::Pairs:
                // The plain test as well: far cheaper than the doubling, a
                // scan of the chunks makes it first, and it tells the planner
                // how few chunks hold the piece.
                condition += "(t.folded LIKE " +
                             params.Add(PgParam::Text(std::move(pattern.plain))) +
                             "::text ESCAPE E'\\\\' AND " + std::string(kPairedFolded) + " LIKE " +
                             placeholder + "::text ESCAPE E'\\\\')";
                break;
            case PiecePattern::Test::Regex:
                condition += "t.folded ~ " + placeholder + "::text";
                break;
        }
    }
    return "(" + condition + ")";
}

std::string DateConditions(const DateCriterion& date, Parameters& params) {
    if (date.kind == DateKind::Any) return {};
    const char* column = date.kind == DateKind::Created ? "d.created" : "d.modified";
    std::string condition;
    if (date.range != DateRange::OnOrBefore) {
        condition += std::string(" AND ") + column +
                     " >= " + params.Add(PgParam::Int(date.earliest)) + "::bigint";
    }
    if (date.range != DateRange::OnOrAfter) {
        condition += std::string(" AND ") + column +
                     " <= " + params.Add(PgParam::Int(date.latest)) + "::bigint";
    }
    return condition;
}

std::string SizeConditions(const SizeCriterion& size, Parameters& params) {
    std::string condition;
    if (size.minSize != 0) {
        condition += " AND d.size >= " + params.Add(PgParam::Int(size.minSize)) + "::bigint";
    }
    if (size.maxSize != 0) {
        condition += " AND d.size <= " + params.Add(PgParam::Int(size.maxSize)) + "::bigint";
    }
    return condition;
}

bool IsAllRoots(const IndexSearch& search) { return search.place == kAllDrivesPlace; }

// The roots a search of `serverPlace` reads: those at, below or above it.
std::vector<IndexRoot> CoveringRoots(const std::vector<IndexRoot>& roots, const IndexSearch& search,
                                     const std::string& serverPlace) {
    std::vector<IndexRoot> covering;
    for (const IndexRoot& root : roots) {
        if (IsAllRoots(search) || PathIsAtOrBelow(serverPlace, root.path) ||
            PathIsAtOrBelow(root.path, serverPlace)) {
            covering.push_back(root);
        }
    }
    return covering;
}

std::optional<int64_t> FreshAsOf(const std::vector<IndexRoot>& roots) {
    std::optional<int64_t> oldest;
    for (const IndexRoot& root : roots) {
        if (root.scanCompleted == 0) return std::nullopt;
        int64_t fresh = std::max(root.scanCompleted, root.watched);
        oldest = oldest ? std::min(*oldest, fresh) : fresh;
    }
    return oldest;
}

// The roots that cover the search's place, and how fresh they are; Other
// when there are none.
DbResult<IndexSearchOutcome> LookAtRoots(PgConnection& connection, const IndexSearch& search,
                                         const std::string& serverPlace) {
    IndexStore store(connection);
    DbResult<std::vector<IndexRoot>> roots = store.Roots();
    if (!roots) return roots.Error();
    std::vector<IndexRoot> covering = CoveringRoots(*roots, search, serverPlace);
    if (covering.empty()) {
        return DbError{DbFailure::Other,
                       IsAllRoots(search) ? std::string("the office index holds no place yet")
                                          : serverPlace + " is in no place the office index holds"};
    }
    IndexSearchOutcome outcome;
    outcome.freshAsOf = FreshAsOf(covering);
    return outcome;
}

// Where the drawing matched: the first of its lines that holds a piece.
void FindWhereMatched(std::string_view packed, const KeywordList& pieces, ResultRecord& record) {
    std::string folded;
    bool found = false;
    ForEachPackedLine(packed, [&](TextKind kind, std::string_view seen) {
        if (found) return;
        folded.clear();
        AppendMatchForm(seen, folded);
        if (std::optional<std::string> part = MatchInLine(seen, folded, pieces)) {
            found = true;
            LimitMatchText(*part);
            record.matchText = std::move(*part);
            record.matchKind = kind;
        }
    });
}

}  // namespace

IndexQueryText BuildIndexQuery(const IndexSearch& search, const std::string& serverPlace) {
    Parameters params;
    const KeywordList noPieces;
    const KeywordList& last = search.passes.empty() ? noPieces : search.passes.back();
    const bool showsMatch = TestsText(last);

    std::string where = " WHERE (d.type_bit & " +
                        params.Add(PgParam::Int(search.typeMask & TYPE_ALL)) + "::smallint) <> 0";
    if (search.passes.empty()) where += " AND false";
    if (search.placeIsFile) {
        where +=
            " AND d.walk_key = " + params.Add(PgParam::Bytes(WalkKey(serverPlace))) + "::bytea";
    } else if (!IsAllRoots(search)) {
        std::string start = FolderKeyStart(serverPlace);
        if (!start.empty()) {
            where += " AND d.walk_key >= " + params.Add(PgParam::Bytes(start)) +
                     "::bytea AND d.walk_key < " +
                     params.Add(PgParam::Bytes(FolderKeyEnd(serverPlace))) + "::bytea";
        }
        if (!search.subfolders) {
            // Nothing after the place's own components but one name.
            where += " AND position(decode('00', 'hex') IN substring(d.walk_key FROM " +
                     params.Add(PgParam::Int(static_cast<int64_t>(start.size()) + 1)) +
                     "::integer)) = 0";
        }
    }
    where += DateConditions(search.date, params);
    where += SizeConditions(search.size, params);
    // Every list but the last is a condition of its own; the last one, when
    // it tests the text, is the join that gives the chunk that holds it.
    for (size_t pass = 0; pass < search.passes.size(); ++pass) {
        const KeywordList& pieces = search.passes[pass];
        if (pieces.empty()) {
            where += " AND false";
        } else if (TestsText(pieces) && !(showsMatch && pass + 1 == search.passes.size())) {
            where += " AND EXISTS (SELECT 1 FROM plotsieve.texts t WHERE t.drawing_id = d.id AND " +
                     ChunkHoldsAPiece(pieces, params) + ")";
        }
    }

    std::string sql;
    if (showsMatch) {
        // The first chunk of each drawing that holds a piece of the last
        // list: its lines tell where the drawing matched.
        sql =
            "SELECT DISTINCT ON (d.walk_key) d.walk_key, d.size, d.created, d.modified,"
            " d.accessed, d.attributes, t.lines FROM plotsieve.texts t"
            " JOIN plotsieve.drawings d ON d.id = t.drawing_id" +
            where + " AND " + ChunkHoldsAPiece(last, params) + " ORDER BY d.walk_key, t.chunk";
    } else {
        sql =
            "SELECT d.walk_key, d.size, d.created, d.modified, d.accessed, d.attributes"
            " FROM plotsieve.drawings d" +
            where + " ORDER BY d.walk_key";
    }
    return {std::move(sql), params.Take()};
}

DbResult<IndexSearchOutcome> IndexFreshness(PgConnection& connection, const IndexSearch& search) {
    std::string serverPlace =
        IsAllRoots(search) ? std::string() : ServerPathOf(search.place, search.mappings);
    return LookAtRoots(connection, search, serverPlace);
}

DbResult<IndexSearchOutcome> SearchIndex(PgConnection& connection, const IndexSearch& search,
                                         const std::function<bool(ResultRecord, int)>& onRow,
                                         const std::atomic<bool>* cancel) {
    const std::string serverPlace =
        IsAllRoots(search) ? std::string() : ServerPathOf(search.place, search.mappings);
    DbResult<IndexSearchOutcome> outcome = LookAtRoots(connection, search, serverPlace);
    if (!outcome) return outcome;

    const IndexQueryText query = BuildIndexQuery(search, serverPlace);
    const KeywordList noPieces;
    const KeywordList& last = search.passes.empty() ? noPieces : search.passes.back();
    const bool showsMatch = TestsText(last);
    const std::string placeStart = FolderKeyStart(serverPlace);
    std::string folder = search.place;
    if (folder.empty() || folder.back() != '/') folder += '/';

    DbResult<void> streamed = connection.Stream(
        query.sql, query.params,
        [&](const PgRow& row) {
            std::string_view key = row.Bytes(0);
            ResultRecord record;
            if (IsAllRoots(search)) {
                record.fullPath = LocalPathOf("/" + PathBelow(key, ""), search.mappings);
            } else if (search.placeIsFile) {
                record.fullPath = search.place;
            } else {
                record.fullPath = folder + PathBelow(key, placeStart);
            }
            record.shownPath = LowerCasePath(record.fullPath);
            record.size = row.Int(1);
            record.creationTime = row.Int(2);
            record.modificationTime = row.Int(3);
            record.accessTime = row.Int(4);
            record.attributes = static_cast<uint8_t>(row.Int(5));
            if (showsMatch) FindWhereMatched(row.Bytes(6), last, record);
            const DrawingType* type = DrawingTypeOfPath(record.fullPath);
            ++outcome->rows;
            return onRow(std::move(record), type != nullptr ? type->iconSlot : -1);
        },
        cancel);
    if (!streamed) return streamed.Error();
    return outcome;
}
