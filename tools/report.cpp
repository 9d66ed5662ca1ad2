#include "report.hpp"

#include <algorithm>

namespace qrvx::cli {

void Table::print(std::ostream &out) const {
    std::vector<std::size_t> widths;
    for (const auto &row : rows_) {
        widths.resize(std::max(widths.size(), row.size()));
        for (std::size_t column = 0; column < row.size(); ++column) {
            widths[column] = std::max(widths[column], row[column].size());
        }
    }
    for (const auto &row : rows_) {
        std::string line;
        for (std::size_t column = 0; column < row.size(); ++column) {
            const std::string &cell = row[column];
            const std::string padding(widths[column] - cell.size(), ' ');
            const bool last = column + 1 == row.size();
            if (column > 0) {
                line += "  ";
            }
            if (rightAligned_.contains(column)) {
                line += padding + cell;
            } else {
                line += last ? cell : cell + padding;
            }
        }
        out << line << '\n';
    }
}

} // namespace qrvx::cli
