// Runs a libFuzzer target on stored inputs without libFuzzer: every file named on the command
// line, or found in a folder named there, is read and handed to LLVMFuzzerTestOneInput once. The
// tests replay the seed corpora this way, so a parser fault they hold (a crash, or a sanitizer's
// report in the sanitizer build) fails an ordinary test run.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

bool replay(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return false;
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
    // A copy of exactly the input's size, so reading one byte past it is caught by a sanitizer.
    std::vector<std::uint8_t> input(bytes.begin(), bytes.end());
    LLVMFuzzerTestOneInput(input.empty() ? nullptr : input.data(), input.size());
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    int replayed = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path path(argv[i]);
        std::error_code error;
        if (std::filesystem::is_directory(path, error)) {
            for (const auto& entry : std::filesystem::recursive_directory_iterator(path, error)) {
                if (entry.is_regular_file() && !replay(entry.path())) {
                    std::fprintf(stderr, "cannot read %s\n", entry.path().c_str());
                    return 1;
                }
                replayed += entry.is_regular_file();
            }
        } else if (!replay(path)) {
            std::fprintf(stderr, "cannot read %s\n", argv[i]);
            return 1;
        } else {
            ++replayed;
        }
    }
    std::printf("%d inputs replayed\n", replayed);
    // A corpus that is gone must not pass as replayed.
    return replayed > 0 ? 0 : 1;
}
