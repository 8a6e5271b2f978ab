// GCC 12 with the address sanitizer warns of an uninitialized std::function inside <regex>'s own
// compiler (a false alarm in the library's code, not in this file); it must be off before the
// standard headers are first read.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include "results/ChannelOrdering.h"

#include <algorithm>
#include <optional>
#include <regex>

namespace trv {

namespace {

constexpr int zRank = 4;
constexpr int otherRank = 5;

// Rank of a standard channel letter: R G B A Z, anything else after them.
int letterRank(const std::string& key)
{
    static const std::string letters = "RGBA";
    if (key == "Z")
        return zRank;
    if (key.size() == 1) {
        const size_t position = letters.find(key[0]);
        if (position != std::string::npos)
            return static_cast<int>(position);
    }
    return otherRank;
}

struct Entry {
    std::string key;  // "Z", a letter or digits
    size_t position;  // in the header's list
};

// Every name matched whole by expression, keyed by "Z" (first group) or the fourth group;
// nothing when one name does not match.
std::optional<std::vector<Entry>> match(const std::vector<std::string>& names, const std::regex& expression)
{
    std::vector<Entry> entries;
    entries.reserve(names.size());
    std::smatch groups;
    for (size_t i = 0; i < names.size(); ++i) {
        if (!std::regex_match(names[i], groups, expression))
            return std::nullopt;
        entries.push_back({groups[1].matched ? std::string("Z") : groups[4].str(), i});
    }
    return entries;
}

// Decimal digit strings compared by value, whatever their length.
bool numericallyLess(const std::string& a, const std::string& b)
{
    const size_t aStart = std::min(a.find_first_not_of('0'), a.size());
    const size_t bStart = std::min(b.find_first_not_of('0'), b.size());
    const size_t aLength = a.size() - aStart, bLength = b.size() - bStart;
    if (aLength != bLength)
        return aLength < bLength;
    return a.compare(aStart, aLength, b, bStart, bLength) < 0;
}

std::vector<size_t> positions(const std::vector<Entry>& entries)
{
    std::vector<size_t> order;
    order.reserve(entries.size());
    for (const Entry& e : entries)
        order.push_back(e.position);
    return order;
}

}  // namespace

std::vector<size_t> orderChannels(const std::vector<std::string>& names)
{
    static const std::regex layerLetters("(Z$)|(^(.*)\\.([RGBA])$)");
    static const std::regex lettersDigits("(Z$)|(^([a-zA-Z]*)(\\d\\d*)$)");

    if (auto entries = match(names, layerLetters)) {
        std::stable_sort(entries->begin(), entries->end(),
                         [](const Entry& a, const Entry& b) { return letterRank(a.key) < letterRank(b.key); });
        return positions(*entries);
    }
    if (auto entries = match(names, lettersDigits)) {
        std::stable_sort(entries->begin(), entries->end(), [](const Entry& a, const Entry& b) {
            if (a.key == "Z" || b.key == "Z")
                return a.key != "Z" && b.key == "Z";
            return numericallyLess(a.key, b.key);
        });
        return positions(*entries);
    }

    // Names of no known scheme still hold data the caller asked for: keep every channel, the
    // standard letters in their usual order so that they meet the pass's names R, G, B, A, Z.
    std::vector<Entry> entries;
    entries.reserve(names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        const size_t dot = names[i].rfind('.');
        entries.push_back({dot == std::string::npos ? names[i] : names[i].substr(dot + 1), i});
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return letterRank(a.key) < letterRank(b.key); });
    return positions(entries);
}

}  // namespace trv
