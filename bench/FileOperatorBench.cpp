// Times the file operator's folder listing over a tree of 5,000 entries and its name search over
// a home folder of 100,000 files, both in a temporary folder removed at the end.
//
//   build/bench/file_operator_bench [--files N] [--rounds R]

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "BenchFlags.h"
#include "Platform/FolderSearch.h"
#include "Platform/MacFileOperator.h"
#include "Support/TemporaryFolder.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

void makeTree(const fs::path& root, int files, int perFolder, const std::string& extension) {
    for (int i = 0; i < files; ++i) {
        const fs::path folder = root / fmt::format("group-{}", i / perFolder) / fmt::format("sub-{}", (i / 10) % 10);
        if (i % 10 == 0) fs::create_directories(folder);
        std::ofstream(folder / fmt::format("note-{}.{}", i, extension)) << "x";
    }
}

template <class Work>
double bestOf(int rounds, Work work) {
    double best = 1e9;
    for (int i = 0; i < rounds; ++i) {
        const auto start = Clock::now();
        work();
        best = std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    return best;
}

} // namespace

int main(int argc, char** argv) {
    const tarvo::bench::BenchFlags flags(argc, argv, "file_operator_bench [--files N] [--rounds R]",
                                         {{"--files", "100000"}, {"--rounds", "5"}});
    const int files = flags.count("--files", 1);
    const int rounds = flags.count("--rounds", 1);
    tarvo::testing::TemporaryFolder home;

    // 4,500 files in 50 folders of 9 sub-folders: about 5,000 entries.
    const fs::path listed = home / "Listed";
    makeTree(listed, 4'500, 90, "txt");
    std::size_t kept = 0;
    const double listing = bestOf(rounds, [&] {
        kept = tarvo::MacFileOperator::listedFolder(listed.string(), "*", 50, home.path().string()).files.size();
    });

    const fs::path tree = home / "Documents";
    // Kinds whose text the search does not read, so this times the walk and the names.
    makeTree(tree, files, 1'000, "pdf");
    std::size_t found = 0;
    const double search = bestOf(rounds, [&] {
        found = tarvo::FolderSearch::gather({"note-4242"}, {home.path().string()}, home.path().string(), 50,
                                            tarvo::MacFileOperator::searchLimit)
                    .files.size();
    });

    std::cout << "| measure | best of " << rounds << " |\n|---|---|\n";
    std::cout << fmt::format("| listing a folder of ~5,000 entries ({} kept) | {:.1f} ms |\n", kept, listing);
    std::cout << fmt::format("| name search over a home of {} files ({} found) | {:.1f} ms |\n", files + 4'500, found,
                             search);
}
