#include <gtest/gtest.h>

#include "history/csv.h"

namespace dx {
namespace {

TEST(CsvRows, QuoteOnlyWhatNeedsItAndEndEachRowWithCrLf) {
    struct Case {
        std::string_view field, written;
    };
    const Case cases[] = {
        {"G4ABC", "G4ABC"},
        {"", ""},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"two\nlines", "\"two\nlines\""},
        {"cr\r", "\"cr\r\""},
        {"\xe9t\xe9", "\xe9t\xe9"},
    };
    for (const Case& c : cases) {
        std::string out;
        appendCsvRow(out, {c.field, "x"});
        EXPECT_EQ(out, std::string(c.written) + ",x\r\n") << c.field;
    }
}

}  // namespace
}  // namespace dx
