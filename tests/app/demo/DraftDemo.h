#pragma once

#include <QFile>
#include <string>

#include "demo/DemoFolder.h"

namespace tambrix::app::testing {

/// Writes the demo game folder in draft quality: 0, or the generator's code and error text.
inline int32_t WriteDraftDemo(const QString& folder, std::string& error) {
    tools::DemoOptions options;
    options.quality = tools::kDraftQuality;
    return tools::WriteDemoFolder(QFile::encodeName(folder).toStdString(), options, nullptr, error);
}

}  // namespace tambrix::app::testing
