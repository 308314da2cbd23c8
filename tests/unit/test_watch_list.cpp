// The watch list's patterns against calls as the node reports them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "alerts/watch_list.h"
#include "app/watch_settings.h"

namespace dx::test {
namespace {

TEST(WatchList, ACallMatchesByItsPatternsRulesAlone) {
    struct Case {
        const char* pattern;
        std::string call;
        bool matches;
    };
    const Case cases[] = {
        // A call, and the same call with an SSID; with an SSID of its own, only that one.
        {"G4ABC", "G4ABC", true},
        {"G4ABC", "G4ABC-2", true},
        {"G4ABC", "G4ABC-15", true},
        {"G4ABC", "G4ABCD", false},
        {"G4ABC", "XG4ABC", false},
        {"G4ABC", "G4ABC-X", false},
        {"G4ABC", "G4ABC-123", false},
        {"G4ABC-2", "G4ABC-2", true},
        {"G4ABC-2", "G4ABC", false},
        {"G4ABC-2", "G4ABC-3", false},
        // Prefixes.
        {"DL*", "DL1XYZ", true},
        {"DL*", "DL", true},
        {"DL*", "DL1XYZ-5", true},
        {"DL*", "D", false},
        {"DL*", "XDL1", false},
        // Suffixes, with or without the SSID after them.
        {"*/P", "G4ABC/P", true},
        {"*/P", "G4ABC/P-2", true},
        {"*/P", "/P", true},
        {"*/P", "G4ABC/PM", false},
        // Any other shape.
        {"DL*/P", "DL1XYZ/P", true},
        {"DL*/P", "DL1XYZ/P-1", true},
        {"DL*/P", "DL1XYZ/M", false},
        {"*ABC*", "G4ABC-2", true},
        {"*A*B*C", "XAYBZC", true},
        {"*A*B*C", "XAYBZCD", false},
        {"G*4*", "G4", true},
        {"D*", "DL1XYZ", true},
        {"*P", "G4ABC/P-2", true},
        {"G", "G-1", true},
        {"*", "ANY", true},
        {"**", "ANY", true},
        // Case does not matter, on either side.
        {"g4abc", "G4ABC", true},
        {"G4ABC", "g4abc-2", true},
        {"dl*", "Dl1x", true},
        {"*/p", "g4abc/P", true},
        {"dL*/p", "DL1XYZ/P", true},
        // What is no call matches nothing.
        {"*", "", false},
        {"*", std::string(65, 'A'), false},
        {"G4*", "G4" + std::string(63, 'A'), false},
    };
    for (const Case& c : cases) {
        WatchList list;
        list.set({c.pattern});
        EXPECT_EQ(list.matches(c.call), c.matches) << c.pattern << " against " << c.call;
    }
}

TEST(WatchList, ManyPatternsOfEveryShapeAndLengthAreEachFound) {
    WatchList list;
    list.set({"K1*X", "G4ABC", "DL*", "DK1*", "*/P", "*/MM", "M0XYZ", "m0xyz", "not a pattern"});
    EXPECT_EQ(list.size(), 7u);  // the same call twice is one pattern; the last is none
    for (const char* call : {"K1ABX", "G4ABC-1", "DL9Q", "DK1AA", "F5AB/P", "F5AB/MM-3", "M0XYZ"})
        EXPECT_TRUE(list.matches(call)) << call;
    for (const char* call : {"K1ABY", "G4AB", "DK2AA", "F5AB/M", "M0XY", "NOT"})
        EXPECT_FALSE(list.matches(call)) << call;
    list.set({});
    EXPECT_FALSE(list.matches("DL9Q"));

    // Thousands of each kind: every one is found, and nothing else.
    std::vector<std::string> many;
    for (int i = 0; i < 3000; ++i)
        for (const std::string& p :
             {"K" + std::to_string(i) + "A", "W" + std::to_string(i) + "*", "*X" + std::to_string(i)})
            many.push_back(p);
    list.set(many);
    for (int i = 0; i < 3000; ++i) {
        const std::string n = std::to_string(i);
        EXPECT_TRUE(list.matches("K" + n + "A-1") && list.matches("W" + n + "QQ") && list.matches("G4X" + n))
            << i;
        EXPECT_FALSE(list.matches("K" + n + "B") || list.matches("G4W" + n) || list.matches("X" + n + "Z"))
            << i;
    }
}

TEST(WatchList, TheOperatorsTextIsReadOnePatternALineAndWhatIsNoPatternIsNamed) {
    std::vector<std::string> refused;
    EXPECT_EQ(
        WatchSettings::patternsIn(
            "G4ABC\r\nDL*, */P\n\n  k1abc\n g4abc \nk1abc\tG4abc\nG4 ABC\nF5?X\n" + std::string(65, 'A'),
            &refused),
        (std::vector<std::string>{"G4ABC", "DL*", "*/P", "k1abc"}));
    EXPECT_EQ(refused, (std::vector<std::string>{"k1abc\tG4abc", "G4 ABC", "F5?X", std::string(64, 'A')}));
}

}  // namespace
}  // namespace dx::test
