#pragma once

#include <cstdint>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// Leaves new elements uninitialised: a file's buffer is filled by the read
// itself, so zeroing it first would only cost a pass over memory.
template <typename T>
struct UninitialisedAllocator : std::allocator<T> {
    template <typename U>
    struct rebind {
        using other = UninitialisedAllocator<U>;
    };
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args) {
        if constexpr (sizeof...(Args) > 0)
            ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};

using FileBytes = std::vector<uint8_t, UninitialisedAllocator<uint8_t>>;

// Reads the regular file at `path` whole. The file is opened read-only and
// without blocking, so a FIFO or device that carries a drawing's name is
// refused at once instead of stalling the caller. Gives nothing when the path
// is missing, unreadable, not a regular file, or fails while being read; a file
// that shrinks while read leaves zeros at the end. Never throws.
std::optional<FileBytes> ReadWholeFile(const std::string& path);

// The reason the last ReadWholeFile, OpenFileSource or ReadFileStatus on this
// thread failed, for messages.
std::string LastReadError();

// Why it failed, as a kind the caller can act on.
enum class ReadFailure {
    None,
    Missing,          // nothing is there (a file that vanished, a link leading nowhere)
    NotARegularFile,  // a folder, FIFO, device or socket
    Other,            // no permission, an I/O error, ...: worth telling the user
};
ReadFailure LastReadFailure();

// Sets what LastReadError tells (an errno value; 0 for no error).
void SetLastReadError(int error);
