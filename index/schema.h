#pragma once

#include "index/db_result.h"
#include "index/pg_connection.h"

// The office index's tables, in the PostgreSQL schema "plotsieve":
//
//   schema_version  one row: the version of these tables
//   roots           one row per place indexed: its absolute path (exact
//                   bytes), when its last scan started and completed, and
//                   when a watcher last found it current
//   drawings        one row per drawing found under a root: its walk key
//                   (index/walk_key.h, unique), its path relative to the root
//                   (exact bytes), type bit, reader generation, size, times
//                   (seconds: created is the modification time where the file
//                   system keeps no creation time, accessed likewise),
//                   attributes, and what tells a changed file (device, inode,
//                   size, modification and change times in nanoseconds)
//   texts           a drawing's lines, in chunks (most drawings have one):
//                   `lines` packs each line as its kind (one byte), its length
//                   (LEB128) and the text the keyword test sees (CP932, after
//                   its kind's clean-up); `folded` holds the same lines' match
//                   forms, each as its indexed form (index/indexed_form.h),
//                   with U+001F between them, under a pg_trgm GIN index,
//                   and another of the same text with each character
//                   written twice (for pieces of two characters)
//
// A search role needs only USAGE on the schema and SELECT on its tables.

// The version this program writes and reads.
inline constexpr int kIndexSchemaVersion = 1;

// Creates the tables, or brings older ones up to kIndexSchemaVersion, in one
// transaction under an advisory lock (two indexers starting at once do it
// once). Needs a UTF8 database, and the pg_trgm extension or the right to
// create it. Gives Schema for a database whose tables are newer than this
// program, or that is not UTF8.
DbResult<void> MigrateIndexSchema(PgConnection& connection);

// Checks that the database holds an index of kIndexSchemaVersion, for a
// search: Schema, with what is wrong, when it does not.
DbResult<void> CheckIndexSchema(PgConnection& connection);

// True when the database's character classes treat Japanese letters as
// letters (a C.UTF-8 or other UTF-8 LC_CTYPE): otherwise pg_trgm makes no
// trigrams of them and searches for Japanese pieces read every chunk.
DbResult<bool> TrigramsCoverJapanese(PgConnection& connection);
