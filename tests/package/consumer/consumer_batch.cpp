// The installed batch library, used from outside: a feed that is not there is refused by name.
#include <qrvx_batch.hpp>

int main() {
    std::string reason;
    const auto destinations =
        qrvx::batch::readDestinations("/nonexistent/feed.zip", {}, {}, nullptr, &reason);
    const bool refused = !destinations &&
                         destinations.error() == std::errc::no_such_file_or_directory &&
                         reason.find("feed.zip") != std::string::npos;
    return refused && qrvx::batch::errorCategory().name() == std::string("qrvx::batch") ? 0 : 1;
}
