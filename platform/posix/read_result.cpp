#include "platform/read_result.h"

#include <cerrno>
#include <cstring>

#include "platform/posix/system_errors.h"

ReadError OutOfMemoryError() { return {ReadFailure::Other, std::strerror(ENOMEM)}; }

ReadError FileReadError(int error) {
    switch (error) {
        case ENOENT:
            return {ReadFailure::Missing, std::strerror(error)};
        case EISDIR:
            return {ReadFailure::NotARegularFile, std::strerror(error)};
        case EINVAL:
            return {ReadFailure::NotARegularFile, "not a regular file"};
        default:
            return {ReadFailure::Other, std::strerror(error)};
    }
}

ReadError FolderListError(int error) {
    ReadFailure kind = error == ENOENT    ? ReadFailure::Missing
                       : error == ENOTDIR ? ReadFailure::NotAFolder
                                          : ReadFailure::Other;
    return {kind, std::strerror(error)};
}
