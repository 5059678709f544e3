#pragma once

#include <QDialog>

#include "TambrixVersion.h"

namespace tambrix::app {

/// "About Tambrix": the picture, the name, the version and the trademark lines.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kVersionText = "Version " TAMBRIX_VERSION;
    static constexpr const char* kThirdLine = "A browser for the data files of The Sims, by the Tambrix developers.";
    static constexpr const char* kTrademarks =
        "The Sims and Living Large are trademarks of Maxis.\nWindows is a trademark of Microsoft Corporation.";

    explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace tambrix::app
