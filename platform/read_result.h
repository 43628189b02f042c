#pragma once

#include <cassert>
#include <optional>
#include <string>
#include <utility>
#include <variant>

// Why a file or folder could not be read, as a kind the caller can act on.
enum class ReadFailure {
    Missing,          // nothing is there (a file that vanished, a link leading nowhere)
    NotARegularFile,  // a folder, FIFO, device or socket where a file was wanted
    NotAFolder,       // something other than a folder where a folder was wanted
    Other,            // no permission, an I/O error, no memory, ...: worth telling the user
};

struct ReadError {
    ReadFailure kind = ReadFailure::Other;
    std::string reason;  // for messages: the system's words ("Permission denied")
};

// The error of a read that ran out of memory (a file too large to hold).
ReadError OutOfMemoryError();

// What a read of the file system gives: its value, or the error that stopped
// it. Tested like a pointer; the value is there only when the test is true,
// the error only when it is false.
template <typename T>
class [[nodiscard]] ReadResult {
  public:
    ReadResult(T value) : m_outcome(std::in_place_index<0>, std::move(value)) {}
    ReadResult(ReadError error) : m_outcome(std::in_place_index<1>, std::move(error)) {}

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

    const ReadError& Error() const {
        assert(!*this);
        return *std::get_if<1>(&m_outcome);
    }

    // The value without the error, for a caller that needs no reason.
    std::optional<T> Value() && {
        if (!*this) return std::nullopt;
        return std::move(**this);
    }

  private:
    std::variant<T, ReadError> m_outcome;
};

// A read that gives nothing but whether it was done.
template <>
class [[nodiscard]] ReadResult<void> {
  public:
    ReadResult() = default;
    ReadResult(ReadError error) : m_error(std::move(error)) {}

    explicit operator bool() const { return !m_error; }

    const ReadError& Error() const {
        assert(m_error);
        return *m_error;
    }

  private:
    std::optional<ReadError> m_error;
};
