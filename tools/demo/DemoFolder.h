#pragma once

// The demo game folder: a small tree that looks like the game's own and walks every
// road of the browser, written with the library's own container writers.

#include <cstdint>
#include <string>
#include <vector>

#include "demo/IsoPainter.h"
#include "graphics/DrawGroup.h"

namespace tambrix::tools {

struct DemoOptions {
    /// Extra generated object files (and a deep folder tree) for benchmarks.
    int scale = 0;
    Quality quality = kFineQuality;
};

/// One written file and the case it stands for.
struct DemoFile {
    std::string path;  ///< relative to the demo root, '/' separated
    std::string note;
};

/// The draw group of the demo's older files: version 20001, each image led by an entry of
/// another type, which a reader must skip.
std::vector<uint8_t> EncodeOlderDrawGroup(const DrawGroupImages& images);

/// Largest scale accepted; keeps a mistyped number from filling the disk.
inline constexpr int kMaxDemoScale = 100000;

/// Writes the demo folder under `root`, which must not exist or be empty. Returns 0 or
/// a negative result code with a one-line reason in `error`; `files` (when given)
/// receives every written file in writing order.
int32_t WriteDemoFolder(const std::string& root, const DemoOptions& options, std::vector<DemoFile>* files,
                        std::string& error);

}  // namespace tambrix::tools
