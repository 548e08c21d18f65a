#include "gfx/scene/NodePointlight.h"

namespace vantor {

NodePointlight::NodePointlight(float x, float y, float z, float r, float g, float b, float a,
                               float intensity, float power, float spare)
    : color{r, g, b, a}, intensity(intensity), power(power), spare(spare) {
  transform = Matrix::translation(x, y, z);
}

}  // namespace vantor
