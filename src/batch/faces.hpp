// A row made into one face of a vehicle: the request the face asks of it, and the name of the
// files a face that shows only the route is made into, once per route.
#pragma once

#include "qrvx_batch.hpp"

#include <optional>
#include <string>

namespace qrvx::batch {

// The request for one face: the row's wording (the face's own where the row has one), the
// face's size, colours, fonts and reserve over the row's options, the route number as the face
// shows it. None for a face that shows only the route of a row that has none.
std::optional<SignRequest> faceRequest(const Row &row, const Face &face);

// The route number a face that shows only the route draws of a row; none when it has none.
std::optional<std::string> shownRoute(const Row &row, const Face &face);

// The code that names the files of a route face: the route itself when it is letters, digits,
// "-" and "_" alone, else its ASCII form and a hash.
std::string routeCode(std::string_view route);

} // namespace qrvx::batch
