#pragma once

// The demo folder's furniture, built from boxes, cylinders and spheres.

#include <cstdint>

#include "demo/IsoPainter.h"

namespace tambrix::tools {

Model DiningChairModel();
Model FloorLampModel();
Model GlassTableModel();
Model SofaModel();  ///< three tiles along x
Model FernModel();
Model RubberPlantModel();
Model BookcaseModel();
Model ArmchairModel();
/// A small crate whose wood tone varies with `variant` (the scaled folders' filler).
Model CrateModel(uint32_t variant);

}  // namespace tambrix::tools
