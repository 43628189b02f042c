#pragma once

#include <cassert>
#include <optional>
#include <string>
#include <utility>
#include <variant>

// Why a call to the office index's database failed, as a kind the caller can
// act on.
enum class DbFailure {
    Unreachable,  // no connection: the server is down, refuses, or the name is wrong
    TimedOut,     // the connection or a query took longer than its time-out
    Cancelled,    // stopped by the caller
    Schema,       // the database holds no index, or one this program does not know
    Denied,       // the role may not do this (a search role asked to write)
    Other,        // any other error the server or the connection reported
};

struct DbError {
    DbFailure kind = DbFailure::Other;
    std::string message;  // one line, for people: the server's or libpq's words
};

// What a database call gives: its value, or the error that stopped it. Tested
// like a pointer, as ReadResult.
template <typename T>
class [[nodiscard]] DbResult {
  public:
    DbResult(T value) : m_outcome(std::in_place_index<0>, std::move(value)) {}
    DbResult(DbError error) : m_outcome(std::in_place_index<1>, std::move(error)) {}

    explicit operator bool() const { return m_outcome.index() == 0; }

    T& operator*() {
        assert(*this);
        return *std::get_if<0>(&m_outcome);
    }
    const T& operator*() const {
        assert(*this);
        return *std::get_if<0>(&m_outcome);
    }
    T* operator->() { return &**this; }
    const T* operator->() const { return &**this; }

    const DbError& Error() const {
        assert(!*this);
        return *std::get_if<1>(&m_outcome);
    }

  private:
    std::variant<T, DbError> m_outcome;
};

// A call that gives nothing but whether it was done.
template <>
class [[nodiscard]] DbResult<void> {
  public:
    DbResult() = default;
    DbResult(DbError error) : m_error(std::move(error)) {}

    explicit operator bool() const { return !m_error; }

    const DbError& Error() const {
        assert(m_error);
        return *m_error;
    }

  private:
    std::optional<DbError> m_error;
};
