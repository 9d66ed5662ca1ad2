// Prints a sign graphic as text: its size, colours, route-number area and picture.
// Usage: qrvx_show_sign FILE
#include "qrvx.hpp"
#include "qrvx_host_trace.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

int main(int argc, char **argv) {
    if (argc != 2) {
        std::cerr << "usage: " << argv[0] << " FILE\n";
        return 2;
    }
    std::ifstream file(argv[1], std::ios::binary);
    if (!file) {
        std::cerr << argv[1] << ": cannot open\n";
        return 1;
    }
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file), {}};
    QTR_useNoLogger(); // errors of the library still reach stderr

    // The decoded bitmap owns its pixels; it is released when it goes out of scope.
    const qrvx::Result<qrvx::Bitmap> bitmap = qrvx::Bitmap::decode({bytes});
    if (!bitmap) {
        std::cerr << argv[1] << ": " << bitmap.error().message() << '\n';
        return 1;
    }
    std::cout << argv[1] << ": " << bitmap->width() << " x " << bitmap->height() << ", "
              << (bitmap->palette().empty() ? "monochrome" : "4 colours") << '\n';

    // The route-number planes point into `bytes`: valid while it lives unchanged.
    if (const auto route = qrvx::describeRouteNumber({bytes}); route && route->planes[0].data) {
        std::cout << "route number " << route->routeCode << ": " << route->planes[0].width << " x "
                  << route->planes[0].height << " pixels at the "
                  << (route->routeAtEnd ? "end" : "start") << '\n';
    } else if (qrvx::routeNumberProgrammable({bytes})) {
        std::cout << "reserves room for a route number\n";
    }

    static constexpr char shades[] = {' ', '#', '+', '@'};
    for (std::uint32_t y = 0; y < bitmap->height(); ++y) {
        for (const std::uint8_t pixel : bitmap->row(y)) {
            std::cout << shades[pixel & 3];
        }
        std::cout << '\n';
    }
    return 0;
}
