#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "index/db_result.h"

struct pg_conn;
struct pg_result;

// How long a connection may take to be made, and a query to answer. A query
// is cancelled on the server when it runs longer (statement_timeout), and
// given up by the client when the server sends nothing for that long and a
// few seconds more (a server that hangs, a network that drops packets).
struct PgTimeouts {
    std::chrono::milliseconds connect{5000};
    std::chrono::milliseconds query{30000};
};

// One parameter of a query: bytes sent as they are (a bytea), or text
// (UTF-8; numbers in decimal). Parameters are never written into the SQL.
struct PgParam {
    std::string value;
    bool binary = false;

    static PgParam Text(std::string text) { return {std::move(text), false}; }
    static PgParam Bytes(std::string bytes) { return {std::move(bytes), true}; }
    static PgParam Int(int64_t number) { return {std::to_string(number), false}; }
};

// One row of a result. Columns come in binary form: integers of any width,
// booleans, text and bytea as their bytes, timestamptz as seconds.
class PgRow {
  public:
    PgRow(const pg_result* result, int row) : m_result(result), m_row(row) {}

    bool IsNull(int column) const;
    std::string_view Bytes(int column) const;  // bytea or text; empty for NULL
    int64_t Int(int column) const;             // int2, int4 or int8; 0 for NULL
    bool Bool(int column) const;
    int64_t Timestamp(int column) const;  // timestamptz, seconds since 1970; 0 for NULL

  private:
    const pg_result* m_result;
    int m_row;
};

// A whole result, owned.
class PgResult {
  public:
    explicit PgResult(pg_result* result);
    ~PgResult();
    PgResult(PgResult&& other) noexcept;
    PgResult& operator=(PgResult&& other) noexcept;
    PgResult(const PgResult&) = delete;
    PgResult& operator=(const PgResult&) = delete;

    int Rows() const;
    PgRow Row(int row) const { return PgRow(m_result, row); }

  private:
    pg_result* m_result;
};

// A connection to PostgreSQL through libpq. Every call gives its result or
// the reason it failed (DbResult); none throws, and none waits longer than
// its time-out. Not for use by two threads at once.
class PgConnection {
  public:
    // Connects to `target`: a libpq connection string ("host=... dbname=...")
    // or URI ("postgresql://user@host/db"), or a database name. Its text goes
    // over UTF-8 whatever the target says, and its statements are held to
    // `timeouts.query`.
    static DbResult<std::unique_ptr<PgConnection>> Connect(const std::string& target,
                                                           PgTimeouts timeouts = {});
    ~PgConnection();
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    // Runs one or more statements that take no parameters and return no rows.
    DbResult<void> Execute(const std::string& sql);

    // Runs one statement with parameters ($1, $2, ...) and gives all its rows.
    DbResult<PgResult> Query(const std::string& sql, const std::vector<PgParam>& params = {});

    // Runs one statement with parameters and hands its rows to `onRow` one at
    // a time, as the server sends them. `onRow` returning false, or `cancel`
    // becoming true (looked at every 100 ms while waiting), cancels the query
    // on the server: Cancelled, unless every row had come.
    DbResult<void> Stream(const std::string& sql, const std::vector<PgParam>& params,
                          const std::function<bool(const PgRow&)>& onRow,
                          const std::atomic<bool>* cancel = nullptr);

    // Runs "COPY ... FROM STDIN" and sends `data` (in the COPY text form).
    DbResult<void> CopyIn(const std::string& sql, std::string_view data);

    // False once the connection was lost: a new one is needed.
    bool Usable() const;

  private:
    explicit PgConnection(pg_conn* connection, PgTimeouts timeouts);

    // Sends a statement; the results are then read with NextResult.
    DbResult<void> Send(const std::string& sql, const std::vector<PgParam>* params);
    // The next result of the statement sent (nullptr after the last), waiting
    // for it as long as the time-out allows; asks the server to cancel when
    // `cancel` becomes true.
    DbResult<pg_result*> NextResult(const std::atomic<bool>* cancel);
    // Reads and drops what is left of the statement's results.
    void Drain();
    // The error `result` (or the connection, for nullptr) reports.
    DbError ErrorOf(const pg_result* result) const;
    void RequestCancel();

    pg_conn* m_connection;
    PgTimeouts m_timeouts;
    bool m_cancelRequested = false;
    bool m_timedOut = false;
};

// `target` with any password in it replaced by "***", for messages.
std::string DescribeTarget(std::string_view target);

// `text` as a COPY text-form field: backslash, tab, line feed and carriage
// return escaped; a bytea value written as "\\x" and its bytes in hex.
void AppendCopyText(std::string& out, std::string_view text);
void AppendCopyBytes(std::string& out, std::string_view bytes);
