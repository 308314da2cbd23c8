#pragma once
#include <initializer_list>
#include <string>
#include <string_view>

namespace dx {

// Appends one row of comma-separated values as spreadsheets and scripts read them: a field holding
// a comma, a double quote, a carriage return or a line feed is put in double quotes, with each
// double quote in it doubled; every row ends with CR LF. The history's exports (the History
// window's and `--export`) write their rows with it.
void appendCsvRow(std::string& out, std::initializer_list<std::string_view> fields);
void appendCsvField(std::string& out, std::string_view field);

}  // namespace dx
