#pragma once
// Building blocks of the demo database: a small seeded random source whose sequence is the same on
// every platform (the standard distributions are not), and the pieces of realistic domain rows.
#include <cstdint>
#include <string>

namespace ds::db::demo {

class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {  // splitmix64
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // Uniform in [0, n).
    int below(int n) { return static_cast<int>(((next() >> 32) * static_cast<std::uint64_t>(n)) >> 32); }
    // Uniform in [lo, hi].
    int between(int lo, int hi) { return lo + below(hi - lo + 1); }
    double unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
    bool chance(double p) { return unit() < p; }
    // Spread evenly over the orders of magnitude between lo and hi, as ranks and counts are.
    std::int64_t logUniform(std::int64_t lo, std::int64_t hi);

private:
    std::uint64_t state_;
};

struct Name {
    std::string text;  // UTF-8
    int length = 0;    // characters, not bytes
    int compose = 2;   // 2 letters only, 3 digits only, 1 letters and digits, 4 with a hyphen, 5 Chinese
    int hyphen = 0;
    int lang = 1;  // 1 not Chinese, 2 Chinese
};

inline constexpr int kExtensionCount = 15;
// The extensions of the search tabs, in their box order.
extern const char* const kExtensions[kExtensionCount];
// The one extension the price table leaves out.
inline constexpr int kUnpricedExtension = 10;  // ".tk"
extern const char* const kPrices[kExtensionCount];

Name MakeName(Random& r);
const char* PickExtension(Random& r, bool chinese);
std::string MakeFilingNumber(Random& r);
std::string MakeSiteName(Random& r, bool enterprise);
std::string MakeHolder(Random& r, bool enterprise);

}  // namespace ds::db::demo
