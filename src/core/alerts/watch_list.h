#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace dx {

// The calls the operator watches for: calls, or patterns in which "*" stands for any run of
// characters ("G4ABC", "DL*", "*/P", "DL*/P"). Case does not matter, and a call matches with or
// without its SSID ("G4ABC" matches "G4ABC-2"; "G4ABC-2" matches only that one).
//
// Every user's arrival and departure is matched, so a long list must cost little: exact calls
// are looked up in a hash set, prefixes ("DL*") and suffixes ("*/P") by their lengths in hash
// sets of their own, and only the patterns of another shape are walked one by one.
class WatchList {
  public:
    // Longer than any call; a "call" longer than this (a node's garbage) matches nothing.
    static constexpr std::size_t kLongest = 64;

    WatchList() = default;
    // The index points into the patterns it holds.
    WatchList(const WatchList&) = delete;
    WatchList& operator=(const WatchList&) = delete;

    // Whether `text` can be in the list: letters, digits, "/", "-" and "*", at most kLongest.
    static bool isPattern(std::string_view text);

    // The list from now on; what is not a pattern is left out.
    void set(const std::vector<std::string>& patterns);
    bool empty() const { return patterns_.empty(); }
    std::size_t size() const { return patterns_.size(); }

    bool matches(std::string_view call) const;

  private:
    bool matchesForm(std::string_view call) const;

    // Upper case, "**" made "*", without repeats; the sets below look into these strings.
    std::vector<std::string> patterns_;
    std::unordered_set<std::string_view> exact_;
    std::unordered_set<std::string_view> prefixes_;
    std::unordered_set<std::string_view> suffixes_;
    std::vector<std::size_t> prefixLengths_;  // the lengths among prefixes_, ascending
    std::vector<std::size_t> suffixLengths_;
    std::vector<std::string_view> general_;
    bool everything_ = false;  // "*"
};

// Whether `text` matches `pattern`, in which "*" stands for any run of characters, the empty one
// included; characters compare as they are.
bool globMatches(std::string_view pattern, std::string_view text);

}  // namespace dx
