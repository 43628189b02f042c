#include "index/schema.h"

#include <string>
#include <vector>

namespace {

// A number of its own for the advisory lock that migrations take.
constexpr int64_t kMigrationLock = 0x506C6F7473696576;  // "Plotsiev"

// The statements that bring the tables from version `to - 1` to `to`.
// `trigramOps` is the pg_trgm operator class, qualified by its schema.
std::vector<std::string> MigrationTo(int to, const std::string& trigramOps) {
    switch (to) {
        case 1:
            return {
                "CREATE TABLE plotsieve.schema_version (version integer NOT NULL)",
                "INSERT INTO plotsieve.schema_version VALUES (0)",
                "CREATE TABLE plotsieve.roots ("
                " id integer GENERATED ALWAYS AS IDENTITY PRIMARY KEY,"
                " path bytea NOT NULL UNIQUE,"
                " scan_started timestamptz,"
                " scan_completed timestamptz,"
                " watched timestamptz)",
                "CREATE TABLE plotsieve.drawings ("
                " id bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,"
                " root_id integer NOT NULL REFERENCES plotsieve.roots ON DELETE CASCADE,"
                " walk_key bytea NOT NULL,"
                " rel_path bytea NOT NULL,"
                " type_bit smallint NOT NULL,"
                " generation integer NOT NULL,"
                " size bigint NOT NULL,"
                " created bigint NOT NULL,"
                " modified bigint NOT NULL,"
                " accessed bigint NOT NULL,"
                " attributes smallint NOT NULL,"
                " device bigint NOT NULL,"
                " inode bigint NOT NULL,"
                " modified_ns bigint NOT NULL,"
                " changed_ns bigint NOT NULL)",
                "CREATE UNIQUE INDEX drawings_walk_key ON plotsieve.drawings (walk_key)",
                "CREATE INDEX drawings_root ON plotsieve.drawings (root_id)",
                "CREATE TABLE plotsieve.texts ("
                " drawing_id bigint NOT NULL REFERENCES plotsieve.drawings ON DELETE CASCADE,"
                " chunk integer NOT NULL,"
                " lines bytea NOT NULL,"
                " folded text NOT NULL)",
                "CREATE INDEX texts_drawing ON plotsieve.texts (drawing_id, chunk)",
                "CREATE INDEX texts_folded ON plotsieve.texts USING gin (folded " + trigramOps +
                    ")",
                // Pieces of two characters: the text with each character twice.
                "CREATE INDEX texts_folded_pairs ON plotsieve.texts USING gin ("
                "regexp_replace(folded, '(.)', E'\\\\1\\\\1', 'g') " +
                    trigramOps + ")",
            };
        default:
            return {};
    }
}

// The version the tables are at: 0 when there are none.
DbResult<int> StoredVersion(PgConnection& connection) {
    DbResult<PgResult> exists =
        connection.Query("SELECT to_regclass('plotsieve.schema_version') IS NOT NULL");
    if (!exists) return exists.Error();
    if (!exists->Row(0).Bool(0)) return 0;
    DbResult<PgResult> version = connection.Query("SELECT version FROM plotsieve.schema_version");
    if (!version) return version.Error();
    if (version->Rows() != 1) {
        return DbError{DbFailure::Schema, "plotsieve.schema_version does not hold one row"};
    }
    return static_cast<int>(version->Row(0).Int(0));
}

DbResult<void> CheckEncoding(PgConnection& connection) {
    DbResult<PgResult> encoding = connection.Query("SELECT current_setting('server_encoding')");
    if (!encoding) return encoding.Error();
    if (encoding->Row(0).Bytes(0) != "UTF8") {
        return DbError{DbFailure::Schema, "the database's encoding is " +
                                              std::string(encoding->Row(0).Bytes(0)) +
                                              "; the office index needs a UTF8 database"};
    }
    return {};
}

// Creates pg_trgm when it is missing; gives its operator class, qualified.
DbResult<std::string> TrigramOperatorClass(PgConnection& connection) {
    if (DbResult<void> made = connection.Execute("CREATE EXTENSION IF NOT EXISTS pg_trgm"); !made) {
        return DbError{made.Error().kind,
                       "the pg_trgm extension is missing and cannot be created (" +
                           made.Error().message + ")"};
    }
    DbResult<PgResult> schema = connection.Query(
        "SELECT quote_ident(n.nspname) FROM pg_extension e"
        " JOIN pg_namespace n ON n.oid = e.extnamespace WHERE e.extname = 'pg_trgm'");
    if (!schema) return schema.Error();
    if (schema->Rows() != 1) return DbError{DbFailure::Schema, "pg_trgm is not installed"};
    return std::string(schema->Row(0).Bytes(0)) + ".gin_trgm_ops";
}

// The migration's steps, inside the transaction.
DbResult<void> Migrate(PgConnection& connection) {
    if (DbResult<void> locked = connection.Execute("SELECT pg_advisory_xact_lock(" +
                                                   std::to_string(kMigrationLock) + ")");
        !locked) {
        return locked;
    }
    DbResult<int> version = StoredVersion(connection);
    if (!version) return version.Error();
    if (*version > kIndexSchemaVersion) {
        return DbError{DbFailure::Schema,
                       "the index's tables are of version " + std::to_string(*version) +
                           ", newer than this program's " + std::to_string(kIndexSchemaVersion)};
    }
    if (*version == kIndexSchemaVersion) return {};
    DbResult<std::string> trigramOps = TrigramOperatorClass(connection);
    if (!trigramOps) return trigramOps.Error();
    if (DbResult<void> made = connection.Execute("CREATE SCHEMA IF NOT EXISTS plotsieve"); !made) {
        return made;
    }
    for (int to = *version + 1; to <= kIndexSchemaVersion; ++to) {
        for (const std::string& statement : MigrationTo(to, *trigramOps)) {
            if (DbResult<void> done = connection.Execute(statement); !done) return done;
        }
    }
    return connection.Execute("UPDATE plotsieve.schema_version SET version = " +
                              std::to_string(kIndexSchemaVersion));
}

}  // namespace

DbResult<void> MigrateIndexSchema(PgConnection& connection) {
    if (DbResult<void> encoding = CheckEncoding(connection); !encoding) return encoding;
    if (DbResult<void> begun = connection.Execute("BEGIN"); !begun) return begun;
    DbResult<void> migrated = Migrate(connection);
    if (!migrated) {
        (void)connection.Execute("ROLLBACK");
        return migrated;
    }
    return connection.Execute("COMMIT");
}

DbResult<void> CheckIndexSchema(PgConnection& connection) {
    DbResult<int> version = StoredVersion(connection);
    if (!version) return version.Error();
    if (*version == 0) {
        return DbError{DbFailure::Schema,
                       "the database holds no office index (run plotsieve-cli index --to first)"};
    }
    if (*version != kIndexSchemaVersion) {
        return DbError{DbFailure::Schema, "the index's tables are of version " +
                                              std::to_string(*version) + "; this program reads " +
                                              std::to_string(kIndexSchemaVersion)};
    }
    return {};
}

DbResult<bool> TrigramsCoverJapanese(PgConnection& connection) {
    DbResult<PgResult> trigrams =
        connection.Query("SELECT array_length(show_trgm('平面図'), 1) IS NOT NULL");
    if (!trigrams) return trigrams.Error();
    return trigrams->Row(0).Bool(0);
}
