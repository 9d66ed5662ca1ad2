#include "graphic.hpp"

#include <cerrno>

namespace qrvx {

int readGraphic(const QRVX_Graphic *graphic, Stage stage, GraphicLayout &layout) {
    layout = GraphicLayout{};
    if (graphic == nullptr) {
        return -EINVAL;
    }
    if (const int result =
            qrvxParseGraphicsSections(graphic->data, graphic->length, &layout.sections)) {
        return result;
    }
    if (const int result =
            qrvxParseGraphicsParameters(layout.sections.parameterBlock,
                                        layout.sections.parameterBlockLength, &layout.parameters)) {
        return result;
    }
    if (stage == Stage::dimensions) {
        completeDimensions(layout.parameters, layout.sections.pixelDataLength,
                           graphic->defaultRowSize, graphic->defaultColumnSize);
    }
    return 0;
}

} // namespace qrvx
