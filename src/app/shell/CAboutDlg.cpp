#include "app/shell/CAboutDlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "app/shell/AppArt.h"

namespace tambrix::app {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle("About Tambrix");
    auto* picture = new QLabel(this);
    picture->setPixmap(art::AboutPicture());
    picture->setAlignment(Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    for (const char* line : {"Tambrix", kVersionText, kThirdLine, kTrademarks}) {
        auto* label = new QLabel(line, this);
        label->setWordWrap(true);
        texts->addWidget(label);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* row = new QHBoxLayout;
    row->addWidget(picture);
    row->addLayout(texts, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    setMinimumWidth(500);
}

}  // namespace tambrix::app
