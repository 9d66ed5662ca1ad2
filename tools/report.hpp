// Text output: tables whose columns line up.
#pragma once

#include <cstddef>
#include <ostream>
#include <set>
#include <string>
#include <vector>

namespace qrvx::cli {

class Table {
public:
    void add(std::vector<std::string> row) { rows_.push_back(std::move(row)); }
    void alignRight(std::size_t column) { rightAligned_.insert(column); }
    // Every column as wide as its widest cell, two spaces apart; no trailing blanks.
    void print(std::ostream &out) const;

private:
    std::vector<std::vector<std::string>> rows_;
    std::set<std::size_t> rightAligned_;
};

} // namespace qrvx::cli
