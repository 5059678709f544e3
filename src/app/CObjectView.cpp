#include "app/CObjectView.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>

#include "app/ArchiveBridge.h"
#include "app/CFolderView.h"
#include "app/UserPrompts.h"

namespace tambrix::app {

namespace {

// The form's layout in pixels (the original form measures 450 x 228 dialog units).
const QSize kFormSize(675, 370);
const QRect kNameLabelBox(10, 12, 80, 20);
const QRect kNameBox(95, 10, 250, 22);
const QRect kPriceLabelBox(10, 40, 80, 20);
const QRect kPriceBox(95, 38, 100, 22);
const QRect kDescriptionLabelBox(10, 68, 80, 20);
const QRect kDescriptionBox(95, 66, 250, 90);
const QRect kSpriteLabelBox(10, 166, 150, 20);
const QRect kSpriteBox(10, 186, 160, 170);
const QRect kFrameLabelBox(185, 166, 150, 20);
const QRect kFrameBox(185, 186, 160, 170);
const QPoint kPictureCorner(360, 10);
const int kFramePadding = 2 * PictureFrame::kInset;
const int kFormMargin = 10;

// A wall keeps a selection among its first three sprites ("Far", "Medium", "Near").
const int kKeptWallSprites = 3;

}  // namespace

PictureFrame::PictureFrame(QWidget* parent) : QFrame(parent) { setFrameStyle(QFrame::Box | QFrame::Sunken); }

void PictureFrame::SetImage(const QImage& image) {
    mImage = image;
    update();
}

void PictureFrame::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    if (mImage.isNull()) return;
    QPainter painter(this);
    painter.drawImage(QPoint(kInset, kInset), mImage);
}

CObjectView::CObjectView(CTambrixDoc* doc, QWidget* parent) : QWidget(parent), mDoc(doc) {
    auto label = [this](const char* text, const QRect& box) {
        auto* l = new QLabel(text, this);
        l->setGeometry(box);
        return l;
    };
    mNameLabel = label("Name:", kNameLabelBox);
    mName = new QLineEdit(this);
    mName->setGeometry(kNameBox);
    mName->setReadOnly(true);
    mPriceLabel = label("Price:", kPriceLabelBox);
    mPrice = new QLineEdit(this);
    mPrice->setGeometry(kPriceBox);
    mPrice->setReadOnly(true);
    mDescriptionLabel = label("Description:", kDescriptionLabelBox);
    mDescription = new QPlainTextEdit(this);
    mDescription->setGeometry(kDescriptionBox);
    mDescription->setReadOnly(true);
    mFrame = new PictureFrame(this);
    mFrame->setGeometry(QRect(kPictureCorner, QSize(kFramePadding, kFramePadding)));
    mFrameLabel = label("Drawgroups:", kFrameLabelBox);
    mFrames = new QListWidget(this);
    mFrames->setGeometry(kFrameBox);
    mSpriteLabel = label("Sprite List", kSpriteLabelBox);
    mSprites = new QListWidget(this);
    mSprites->setGeometry(kSpriteBox);
    setMinimumSize(kFormSize);
    mDoc->AddView(this);
    connect(mSprites, &QListWidget::currentRowChanged, this, &CObjectView::onSpriteChanged);
    connect(mFrames, &QListWidget::currentRowChanged, this, [this] {
        if (!mRefilling) ShowSelectedSprite();
    });
}

CObjectView::~CObjectView() {
    mDoc->RemoveView(this);
    releaseFile();
}

void CObjectView::OnInitialUpdate() {
    mFrameCorner = kPictureCorner;
    hideAll();
}

void CObjectView::hideAll() {
    for (QWidget* control :
         std::initializer_list<QWidget*>{mNameLabel, mName, mPriceLabel, mPrice, mDescriptionLabel, mDescription,
                                         mFrame, mFrameLabel, mFrames, mSpriteLabel, mSprites})
        control->hide();
}

void CObjectView::showTexts(bool shown) {
    for (QWidget* control :
         std::initializer_list<QWidget*>{mNameLabel, mName, mPriceLabel, mPrice, mDescriptionLabel, mDescription})
        control->setVisible(shown);
}

void CObjectView::releaseFile() {
    mFile.reset();
    mForm = ViewForm::kNothing;
}

void CObjectView::setPicture(std::unique_ptr<Picture> picture) {
    mPicture = std::move(picture);
    mFrame->SetImage(mPicture ? mPicture->Image() : QImage());
}

void CObjectView::placeFrame() {
    const QSize imageSize = mPicture ? mPicture->Image().size() : QSize(0, 0);
    mFrame->setGeometry(QRect(mFrameCorner, imageSize + QSize(kFramePadding, kFramePadding)));
    growToFit();
}

void CObjectView::growToFit() {
    // A large picture widens the form (the pane scrolls) rather than being cut.
    const QRect box = mFrame->geometry();
    setMinimumSize(kFormSize.expandedTo(QSize(box.right() + kFormMargin, box.bottom() + kFormMargin)));
    resize(minimumSize().expandedTo(size()));
}

void CObjectView::OnUpdate(CView* sender) {
    // A new folder reaches the file list first, which then tells this view about the
    // file it selected (or that there is none): showing the old file once more here
    // would only open it for nothing.
    if (dynamic_cast<CFolderView*>(sender) != nullptr) return;
    emit pictureNote(QString());  // the previous file's note does not stand for this one
    releaseFile();
    const QString file = mDoc->CurrentFile();
    if (file.isEmpty()) {
        hideAll();
        setPicture(nullptr);
        return;
    }
    const QString path = mDoc->CurrentFilePath();
    switch (KindOfName(LibraryPath(file))) {
        case GameFileKind::kBitmap: showBitmapFile(path); break;
        case GameFileKind::kObject:
        case GameFileKind::kSprites:  // its own sprites, as an object file without objects
        case GameFileKind::kWall:
        case GameFileKind::kFloor: showFile(path); break;
        default: break;  // any other name leaves the form as it is
    }
    update();
}

void CObjectView::showFile(const QString& path) {
    mFile = Openers().openFile(path);
    if (!mFile) {
        // The previous file's texts and picture must not stand for this one (Save
        // would write them under this file's name).
        hideAll();
        setPicture(nullptr);
        return;
    }
    const ViewDescription& view = mFile->Description();
    mForm = view.form;
    // Without a string table the texts are empty: the previous file's would be wrong here.
    mName->setText(GameText(view.texts.name));
    mPrice->setText(GameText(view.texts.price));
    mDescription->setPlainText(GameText(view.texts.description));
    if (mForm == ViewForm::kPreview) {
        QString why;
        setPicture(mFile->RenderPreview(why));
        if (!why.isEmpty()) emit pictureNote(why);
        if (mPicture) {
            placeFrame();
            mFrame->show();
        } else {
            mFrame->hide();
        }
        mSprites->hide();
        mSpriteLabel->hide();
        mFrames->hide();
        mFrameLabel->hide();
    } else {
        const bool tile = mForm == ViewForm::kWall || mForm == ViewForm::kFloor;
        if (tile) {
            placeFrame();
            mFrame->show();
        }
        fillSprites();
        // A wall or floor always shows its sprite list; an object file without objects
        // only when it has sprites.
        const bool listed = tile || mSprites->count() > 0;
        mSprites->setVisible(listed);
        mSpriteLabel->setVisible(listed);
        refillFrames();
        ShowSelectedSprite();
    }
    showTexts(true);
}

void CObjectView::showBitmapFile(const QString& path) {
    setPicture(Openers().loadBitmapFile(path));
    hideAll();
    if (mPicture) {
        placeFrame();
        mFrame->show();
    }
}

void CObjectView::fillSprites() {
    const int previous = mSprites->currentRow();
    mRefilling = true;
    mSprites->clear();
    for (const ViewSprite& sprite : mFile->Description().sprites) {
        auto* item = new QListWidgetItem(GameText(sprite.label), mSprites);
        item->setData(Qt::UserRole, sprite.id);
    }
    // A wall or floor keeps a selection among its first three sprites, a list of
    // numbered sprites any selection it still has.
    const int kept = mForm == ViewForm::kSprites ? mSprites->count() : std::min(kKeptWallSprites, mSprites->count());
    if (mSprites->count() > 0) mSprites->setCurrentRow(previous >= 0 && previous < kept ? previous : 0);
    mRefilling = false;
}

void CObjectView::refillFrames() {
    const int previous = mFrames->currentRow();
    mRefilling = true;
    mFrames->clear();
    const std::vector<ViewSprite>& sprites = mFile->Description().sprites;
    const int row = mSprites->currentRow();
    if (row >= 0 && row < static_cast<int>(sprites.size()))
        for (const std::string& label : sprites[row].frames) new QListWidgetItem(GameText(label), mFrames);
    const int count = mFrames->count();
    if (mForm == ViewForm::kFloor) {
        // Floors have one picture per sprite; the list holds a single hidden item.
        if (count > 0) mFrames->setCurrentRow(0);
        mFrames->hide();
        mFrameLabel->hide();
    } else if (mForm == ViewForm::kWall) {
        // Walls keep the frame by its index; when the new sprite lacks it, none is
        // selected. With no frame chosen before (a wall shown afresh) the first is taken,
        // so that a wall always opens with a picture.
        if (previous < 0 && count > 0)
            mFrames->setCurrentRow(0);
        else if (previous < count)
            mFrames->setCurrentRow(previous);
        else
            mFrames->setCurrentRow(-1);
        mFrames->show();
        mFrameLabel->show();
    } else {
        if (count > 0) mFrames->setCurrentRow(previous >= 0 && previous < count ? previous : 0);
        mFrames->setVisible(count > 0);
        mFrameLabel->setVisible(count > 0);
    }
    mRefilling = false;
}

void CObjectView::onSpriteChanged() {
    if (mRefilling || !mFile) return;
    // The frame list belongs to the selected sprite: a new sprite brings its own frames.
    refillFrames();
    ShowSelectedSprite();
}

void CObjectView::ShowSelectedSprite() {
    setPicture(nullptr);
    const QListWidgetItem* sprite = mSprites->currentItem();
    const int frame = mFrames->currentRow();
    if (mFile && sprite && frame >= 0) setPicture(mFile->DrawSprite(sprite->data(Qt::UserRole).toInt(), frame));
    if (mPicture) {
        mFrame->setGeometry(QRect(mFrame->pos(), mPicture->Image().size() + QSize(kFramePadding, kFramePadding)));
        growToFit();
        mFrame->show();
    } else {
        mFrame->hide();
    }
    update();
}

QImage CObjectView::ShownPicture() const { return mPicture ? mPicture->Image() : QImage(); }

bool CObjectView::ExportPng(const QString& path) const {
    if (!mPicture || path.isEmpty()) return false;
    return mPicture->TransparentImage().save(path, "PNG");
}

bool CObjectView::CopyPicture() const {
    if (!mPicture) return false;
    QGuiApplication::clipboard()->setImage(mPicture->Image());
    return true;
}

bool CObjectView::DeleteCurrentFile() {
    releaseFile();
    const QString path = mDoc->CurrentFilePath();
    // An entry inside an archive is read-only like the archive's whole contents.
    if (IsMountedEntry(path)) {
        Prompts().message(this, kDeleteFailed);
        return false;
    }
    QFile file(path);
    // A file without write permission counts as read-only: it is not deleted, even
    // where the folder would allow it.
    const bool readOnly = !(file.permissions() & QFileDevice::WriteOwner);
    if (path.isEmpty() || readOnly || !file.remove()) {
        Prompts().message(this, kDeleteFailed);
        return false;
    }
    return true;
}

}  // namespace tambrix::app
