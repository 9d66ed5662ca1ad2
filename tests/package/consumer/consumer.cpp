// The installed C++ header, used from outside.
#include <qrvx.hpp>
#include <qrvx_host_trace.h>

#include <vector>

int main() {
    const std::vector<std::uint8_t> graphic{'*', '0', '3', 'V', 'E', '8', '*', 0x01, 0x80};
    QTR_useNoLogger();
    const qrvx::Result<qrvx::Bitmap> bitmap = qrvx::Bitmap::decode({graphic});
    return bitmap && bitmap->width() == 2 && bitmap->row(0)[0] == 1 && bitmap->row(7)[1] == 1 ? 0
                                                                                              : 1;
}
