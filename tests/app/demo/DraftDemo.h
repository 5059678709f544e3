#pragma once

#include <QFile>
#include <QString>
#include <cstdint>
#include <string>

#include "demo/DemoFolder.h"

namespace tambrix::app::testing {

/// Writes the demo game folder to `folder` in draft quality (the road tests look at
/// what is shown, not at the pictures). 0, or the generator's code with its error text.
inline int32_t WriteDraftDemo(const QString& folder, std::string& error) {
    tools::DemoOptions options;
    options.quality = tools::kDraftQuality;
    return tools::WriteDemoFolder(QFile::encodeName(folder).toStdString(), options, nullptr, error);
}

}  // namespace tambrix::app::testing
