// The floor under a search's time: collects the candidates of a tree as the
// search does, then only reads every candidate to its end, on N threads, in
// blocks of 1 MiB through the same file sources. Prints the time and bytes.
// usage: read_floor TREE [THREADS] [BLOCK_KIB]
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/file_source.h"
#include "search/criteria.h"
#include "search/drawing_types.h"
#include "search/folder_walk.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: read_floor TREE [THREADS]\n", stderr);
        return 2;
    }
    unsigned threads =
        argc > 2 ? static_cast<unsigned>(std::atoi(argv[2])) : std::thread::hardware_concurrency();
    if (threads == 0) threads = 1;
    size_t block = argc > 3 ? static_cast<size_t>(std::atoi(argv[3])) << 10 : size_t{1} << 20;
    auto start = std::chrono::steady_clock::now();

    std::vector<std::string> candidates;
    std::atomic<bool> cancel{false};
    FolderWalk walk(TYPE_ALL, cancel, {[] { return true; }, nullptr, nullptr, nullptr}, candidates);
    walk.Walk(argv[1]);
    auto collected = std::chrono::steady_clock::now();

    std::atomic<size_t> next{0};
    std::atomic<uint64_t> total{0};
    std::vector<std::thread> pool;
    for (unsigned t = 0; t < threads; ++t) {
        pool.emplace_back([&] {
            std::vector<uint8_t> scratch;
            for (size_t i; (i = next++) < candidates.size();) {
                ReadResult<std::unique_ptr<ByteSource>> opened = OpenFileSource(candidates[i]);
                if (!opened) continue;
                ByteSource& file = **opened;
                for (uint64_t at = 0; at < file.Size();) {
                    ByteView piece = file.Read(at, block, scratch);
                    if (piece.size == 0) break;
                    at += piece.size;
                    total += piece.size;
                }
            }
        });
    }
    for (std::thread& thread : pool) thread.join();
    auto end = std::chrono::steady_clock::now();
    auto seconds = [](auto d) { return std::chrono::duration<double>(d).count(); };
    std::printf(
        "%zu files, %.1f MB, collecting %.3f s, reading %.3f s, whole %.3f s (%u threads)\n",
        candidates.size(), static_cast<double>(total.load()) / 1e6, seconds(collected - start),
        seconds(end - collected), seconds(end - start), threads);
    return 0;
}
