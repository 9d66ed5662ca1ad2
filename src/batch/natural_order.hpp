// Route names and headsigns in the order people count them: "2" < "10" < "N80" < "N100".
#pragma once

#include <string_view>

namespace qrvx::batch {

// Runs of digits compare by their value, other bytes as they are but for the case of ASCII
// letters; texts that tie that way ("7" and "07", "Zoo" and "ZOO") by their bytes. Negative,
// zero or positive.
int naturalCompare(std::string_view one, std::string_view other);

} // namespace qrvx::batch
