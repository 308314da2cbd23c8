#pragma once
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dx {

// The calls the operator watches for: calls, or patterns in which "*" stands for any run of
// characters ("G4ABC", "DL*", "*/P", "DL*/P"). Case does not matter, and a call matches with or
// without its SSID ("G4ABC" matches "G4ABC-2"; "G4ABC-2" matches only that one).
//
// Every user's arrival and departure is matched, so a long list must cost little: exact calls
// are looked up in a hash set, prefixes ("DL*") and suffixes ("*/P") by their lengths in hash
// sets of their own, and only the patterns of another shape are walked one by one. Before any
// lookup, the call's first two characters (its last two, for suffixes) must be those of some
// pattern of that kind: most of a node's users are let by at that.
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
    // A set of short texts held elsewhere, looked up by an FNV-1a hash in open addressing: a call
    // is a few characters, and a general hash set's hashing and chains would cost more than the
    // lookup itself.
    class Views {
      public:
        void clear();
        void insert(std::string_view text);
        bool contains(std::string_view text) const;

      private:
        static std::uint64_t hash(std::string_view text);
        std::vector<std::string_view> slots_;  // a free slot holds no characters at all
        std::size_t count_ = 0;
    };

    // Which pairs of characters begin (or end) the patterns of one kind; a pattern of a single
    // character lets every call by.
    class Pairs {
      public:
        void clear();
        void add(std::string_view pair);
        bool mayHold(std::string_view pair) const {
            return any_ && (single_ || (pair.size() >= 2 && pairs_.test(key(pair[0], pair[1]))));
        }

      private:
        static std::size_t key(char a, char b) {
            return (static_cast<unsigned char>(a) & 63u) << 6 | (static_cast<unsigned char>(b) & 63u);
        }
        std::bitset<4096> pairs_;
        bool single_ = false;
        bool any_ = false;
    };

    bool matchesForm(std::string_view call) const;

    // Upper case, "**" made "*", without repeats; the sets below look into these strings.
    std::vector<std::string> patterns_;
    Views exact_;
    Views prefixes_;
    Views suffixes_;
    std::vector<std::size_t> prefixLengths_;  // the lengths among prefixes_, ascending
    std::vector<std::size_t> suffixLengths_;
    std::vector<std::string_view> general_;
    bool everything_ = false;  // "*"
    Pairs exactStarts_, prefixStarts_, suffixEnds_;
};

// Whether `text` matches `pattern`, in which "*" stands for any run of characters, the empty one
// included; characters compare as they are.
bool globMatches(std::string_view pattern, std::string_view text);

}  // namespace dx
