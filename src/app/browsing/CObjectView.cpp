#include "app/browsing/CObjectView.h"

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QToolButton>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "app/browsing/ArchiveBridge.h"
#include "app/browsing/CFolderView.h"
#include "app/editing/CConflictsDlg.h"
#include "app/editing/CCatalogEditBar.h"
#include "app/shell/UserPrompts.h"

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
// The object selector sits above the texts, which then move down by its height.
const QRect kObjectLabelBox(10, 12, 80, 20);
const QRect kObjectBox(95, 10, 250, 22);
const int kSelectorShift = 30;
// The view buttons (turn left, turn right, zoom out, zoom in) and the view's name sit
// below the description, where an object's form has no lists.
const QRect kViewLabelBox(10, 168, 80, 20);
const QRect kStepBoxes[] = {{95, 166, 26, 24}, {123, 166, 26, 24}, {155, 166, 26, 24}, {183, 166, 26, 24}};
const QRect kViewTextBox(213, 168, 145, 20);
// The catalog editing below the view buttons.
const QRect kEditBarBox(10, 198, CCatalogEditBar::kWidth, CCatalogEditBar::kHeight);
// The view commands: the menu's text, the button's tip and the window-wide key.
struct StepCommand {
    const char* text;
    const char* tip;
    QKeySequence key;
};
const StepCommand kStepCommands[] = {
    {"Turn &Left", "Turn left (Ctrl+Left)", QKeySequence(Qt::CTRL | Qt::Key_Left)},
    {"Turn &Right", "Turn right (Ctrl+Right)", QKeySequence(Qt::CTRL | Qt::Key_Right)},
    {"Zoom View &Out", "Zoom out (Ctrl+-)", QKeySequence(Qt::CTRL | Qt::Key_Minus)},
    {"Zoom View &In", "Zoom in (Ctrl+=)", QKeySequence(Qt::CTRL | Qt::Key_Equal)},
};
struct ZoomCommand {
    PictureZoom zoom;
    const char* text;
    QKeySequence key;
};
const ZoomCommand kZoomCommands[] = {
    {PictureZoom::kFit, "Picture: &Fit", QKeySequence(Qt::CTRL | Qt::Key_1)},
    {PictureZoom::kActual, "Picture: &100%", QKeySequence(Qt::CTRL | Qt::Key_0)},
    {PictureZoom::kDouble, "Picture: &200%", QKeySequence(Qt::CTRL | Qt::Key_2)},
    {PictureZoom::kQuadruple, "Picture: &400%", QKeySequence(Qt::CTRL | Qt::Key_4)},
};
const double kZoomScales[] = {0.0, 1.0, 2.0, 4.0};  // Fit is worked out per picture
const int kFramePadding = 2 * PictureFrame::kInset;
// The note: alone at the top of the form, or below the picture.
const QRect kNoteAloneBox(10, 12, 520, 40);
const QSize kNoteSize(300, 40);
const int kNoteGap = 6;
const int kFormMargin = 10;

// A wall keeps a selection among its first three sprites ("Far", "Medium", "Near").
const int kKeptWallSprites = 3;

}  // namespace

PictureFrame::PictureFrame(QWidget* parent) : QFrame(parent) { setFrameStyle(QFrame::Box | QFrame::Sunken); }

void PictureFrame::SetImage(const QImage& image) {
    mImage = image;
    update();
}

void PictureFrame::SetNote(const QString& note) {
    mNote = note;
    update();
}

QSize PictureFrame::NoteSize() const {
    if (mNote.isEmpty()) return QSize(0, 0);
    const QRect text = fontMetrics().boundingRect(QRect(0, 0, kNoteWidth, 1000), Qt::TextWordWrap, mNote);
    return text.size() + QSize(2 * kNoteMargin, 2 * kNoteMargin);
}

void PictureFrame::SetScale(double scale) {
    mScale = scale > 0 ? scale : 1.0;
    update();
}

QSize PictureFrame::ShownSize() const {
    if (mImage.isNull()) return QSize(0, 0);
    return QSize(std::max(1, static_cast<int>(std::lround(mImage.width() * mScale))),
                 std::max(1, static_cast<int>(std::lround(mImage.height() * mScale))));
}

void PictureFrame::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    if (mImage.isNull() && !mNote.isEmpty()) {
        QPainter painter(this);
        painter.drawText(rect().adjusted(kNoteMargin, kNoteMargin, -kNoteMargin, -kNoteMargin),
                         Qt::AlignCenter | Qt::TextWordWrap, mNote);
        return;
    }
    if (mImage.isNull()) return;
    QPainter painter(this);
    if (mScale == 1.0) {
        painter.drawImage(QPoint(kInset, kInset), mImage);
        return;
    }
    // Without the smoothing hint an enlargement repeats each pixel: the sprite stays crisp.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, mScale < 1.0);
    painter.drawImage(QRect(QPoint(kInset, kInset), ShownSize()), mImage);
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
    mObjectLabel = label("Object:", kObjectLabelBox);
    mObjectBox = new QComboBox(this);
    mObjectBox->setGeometry(kObjectBox);
    mViewLabel = label("View:", kViewLabelBox);
    mViewText = label("", kViewTextBox);
    mNoteText = label("", kNoteAloneBox);
    mNoteText->setWordWrap(true);
    mNoteText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    mNoteText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    for (int i = 0; i < 4; ++i) {
        const auto step = static_cast<art::ViewStep>(i);
        mSteps[i] = new QToolButton(this);
        mSteps[i]->setGeometry(kStepBoxes[i]);
        mSteps[i]->setIcon(art::ViewStepButton(step));
        mSteps[i]->setToolTip(kStepCommands[i].tip);
        // The keys reach the form itself: a button never keeps the focus.
        mSteps[i]->setFocusPolicy(Qt::NoFocus);
        connect(mSteps[i], &QToolButton::clicked, this, [this, step] { StepView(step); });
    }
    mEditBar = new CCatalogEditBar(mName, mPrice, mDescription, this);
    mEditBar->setGeometry(kEditBarBox);
    connect(mEditBar, &CCatalogEditBar::saved, this, [this](const QString& path) {
        if (!mSettling && mFile && path == mDoc->CurrentFilePath()) reloadFile(mObject);
    });
    connect(mEditBar, &CCatalogEditBar::problem, this, [this](const QString& text) {
        if (Prompts().message) Prompts().message(this, text);
    });
    createViewActions();
    setFocusPolicy(Qt::ClickFocus);
    setMinimumSize(kFormSize);
    mDoc->AddView(this);
    connect(mObjectBox, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (mRefilling || !mFile || index < 0) return;
        if (settleEdits()) {
            reloadFile(index);  // the object's file changed underneath the preview
            return;
        }
        mObject = index;
        showObject();
    });
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
                                         mFrame, mFrameLabel, mFrames, mSpriteLabel, mSprites, mObjectLabel, mObjectBox,
                                         mViewLabel, mViewText, mSteps[0], mSteps[1], mSteps[2], mSteps[3],
                                         mNoteText, mEditBar})
        control->hide();
    mEditBar->Detach();
}

void CObjectView::layOut(bool selector) {
    const int shift = selector ? kSelectorShift : 0;
    const std::pair<QWidget*, QRect> boxes[] = {
        {mNameLabel, kNameLabelBox},   {mName, kNameBox},
        {mPriceLabel, kPriceLabelBox}, {mPrice, kPriceBox},
        {mDescriptionLabel, kDescriptionLabelBox}, {mDescription, kDescriptionBox},
        {mSpriteLabel, kSpriteLabelBox}, {mSprites, kSpriteBox},
        {mFrameLabel, kFrameLabelBox}, {mFrames, kFrameBox},
        {mViewLabel, kViewLabelBox}, {mViewText, kViewTextBox},
        {mSteps[0], kStepBoxes[0]}, {mSteps[1], kStepBoxes[1]},
        {mSteps[2], kStepBoxes[2]}, {mSteps[3], kStepBoxes[3]},
        {mEditBar, kEditBarBox}};
    for (const auto& [control, box] : boxes) control->setGeometry(box.translated(0, shift));
    mObjectLabel->setVisible(selector);
    mObjectBox->setVisible(selector);
}

void CObjectView::StepView(art::ViewStep step) {
    int zoom = PreviewZoom(mView);
    int rotation = PreviewRotation(mView);
    switch (step) {
        case art::ViewStep::RotateLeft: rotation = (rotation + kViewRotations - 1) % kViewRotations; break;
        case art::ViewStep::RotateRight: rotation = (rotation + 1) % kViewRotations; break;
        case art::ViewStep::ZoomOut: zoom = std::max(0, zoom - 1); break;
        case art::ViewStep::ZoomIn: zoom = std::min(kViewZooms - 1, zoom + 1); break;
    }
    const int view = PreviewView(zoom, rotation);
    if (view == mView) return;
    mView = view;
    if (mFile && mForm == ViewForm::kPreview) showObject();
}

void CObjectView::createViewActions() {
    for (int i = 0; i < 4; ++i) {
        const auto step = static_cast<art::ViewStep>(i);
        mStepActions[i] = new QAction(kStepCommands[i].text, this);
        mStepActions[i]->setShortcut(kStepCommands[i].key);
        mStepActions[i]->setStatusTip(kStepCommands[i].tip);
        connect(mStepActions[i], &QAction::triggered, this, [this, step] { StepView(step); });
        addAction(mStepActions[i]);
    }
    mZoomGroup = new QActionGroup(this);
    for (int i = 0; i < 4; ++i) {
        const ZoomCommand& command = kZoomCommands[i];
        mZoomActions[i] = new QAction(command.text, this);
        mZoomActions[i]->setShortcut(command.key);
        mZoomActions[i]->setCheckable(true);
        mZoomActions[i]->setChecked(command.zoom == mZoom);
        mZoomGroup->addAction(mZoomActions[i]);
        connect(mZoomActions[i], &QAction::triggered, this, [this, zoom = command.zoom] { SetZoom(zoom); });
        addAction(mZoomActions[i]);
    }
}

QList<QAction*> CObjectView::ViewActions() const {
    QList<QAction*> actions(std::begin(mStepActions), std::end(mStepActions));
    actions.append(nullptr);  // a separator
    actions.append(QList<QAction*>(std::begin(mZoomActions), std::end(mZoomActions)));
    return actions;
}

void CObjectView::SetZoom(PictureZoom zoom) {
    mZoom = zoom;
    mZoomActions[static_cast<int>(zoom)]->setChecked(true);
    if (mPicture) sizeFrame();
    update();
}

void CObjectView::StepZoom(int direction) {
    const int next = std::clamp(static_cast<int>(mZoom) + (direction > 0 ? 1 : -1), 0, 3);
    SetZoom(static_cast<PictureZoom>(next));
}

void CObjectView::wheelEvent(QWheelEvent* event) {
    if (!(event->modifiers() & Qt::ControlModifier) || event->angleDelta().y() == 0) {
        QWidget::wheelEvent(event);  // the pane scrolls
        return;
    }
    StepZoom(event->angleDelta().y());
    event->accept();
}

void CObjectView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (mZoom == PictureZoom::kFit && mPicture) sizeFrame();
}

void CObjectView::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Left: StepView(art::ViewStep::RotateLeft); return;
        case Qt::Key_Right: StepView(art::ViewStep::RotateRight); return;
        case Qt::Key_Minus: StepView(art::ViewStep::ZoomOut); return;
        case Qt::Key_Plus:
        case Qt::Key_Equal: StepView(art::ViewStep::ZoomIn); return;  // '+' unshifted on many keyboards
        default: QWidget::keyPressEvent(event);
    }
}

void CObjectView::showObject() {
    const ViewDescription& view = mFile->Description();
    if (mObject >= 0 && static_cast<size_t>(mObject) < view.objectTexts.size()) {
        const ViewTexts& texts = view.objectTexts[static_cast<size_t>(mObject)];
        mName->setText(GameText(texts.name));
        mPrice->setText(GameText(texts.price));
        mDescription->setPlainText(GameText(texts.description));
    }
    // The chosen language's texts, editable where the file may be written.
    mEditBar->Attach(mDoc->CurrentFilePath(), mObject);
    mEditBar->show();
    QString why;
    setPicture(mFile->RenderPreview(mObject, mView, why));
    emit pictureNote(why);  // an empty note takes back the one of the view before
    // Without a picture the box says why (no sprite in this view, too large to draw).
    mFrame->SetNote(mPicture ? QString() : why);
    if (mPicture || !why.isEmpty()) {
        placeFrame();
        mFrame->show();
    } else {
        mFrame->hide();
    }
    mViewText->setText(QString("%1 (%2)").arg(mView).arg(QString::fromStdString(PreviewViewText(mView))));
    const int zoom = PreviewZoom(mView);
    mSteps[static_cast<int>(art::ViewStep::ZoomOut)]->setEnabled(zoom > 0);
    mSteps[static_cast<int>(art::ViewStep::ZoomIn)]->setEnabled(zoom < kViewZooms - 1);
    placeNote();
    update();
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
    if (mPicture) mFrame->SetNote(QString());
    emit pictureChanged();
}

void CObjectView::placeFrame() {
    mFrame->move(mFrameCorner);
    sizeFrame();
}

void CObjectView::sizeFrame() {
    double scale = kZoomScales[static_cast<int>(mZoom)];
    const QSize image = mPicture ? mPicture->Image().size() : QSize();
    if (mZoom == PictureZoom::kFit && !image.isEmpty()) {
        // The room right of the texts in the pane as the user sees it.
        QSize area = kFormSize;
        if (parentWidget()) area = area.expandedTo(parentWidget()->size());
        const int width = area.width() - mFrame->x() - kFramePadding - kFormMargin;
        const int height = area.height() - mFrame->y() - kFramePadding - kFormMargin;
        const double fit = std::min(static_cast<double>(width) / image.width(),
                                    static_cast<double>(height) / image.height());
        scale = fit <= 0 ? 1.0 : fit >= 1.0 ? std::floor(fit) : fit;
    }
    mFrame->SetScale(scale);
    mFrame->resize(image.isEmpty() ? mFrame->NoteSize().expandedTo(QSize(kFramePadding, kFramePadding))
                                   : mFrame->ShownSize() + QSize(kFramePadding, kFramePadding));
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
    settleEdits();  // the edits belong to the file shown until now
    emit pictureNote(QString());  // the previous file's notes do not stand for this one
    emit fileNote(QString());
    mNoteText->clear();
    mNoteText->hide();
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
        case GameFileKind::kFloor:
        case GameFileKind::kSkinMesh:  // what it is and how large
        case GameFileKind::kSkeleton: showFile(path); break;
        default: break;  // any other name leaves the form as it is
    }
    update();
}

void CObjectView::showFile(const QString& path) {
    // Opened read-only; only a catalog table that needs completing, with the setting on,
    // opens the file for writing.
    mFile = Openers().openFile(path, mDoc->CompleteCatalogs() ? GameFileAccess::kViewing : GameFileAccess::kReadOnly);
    if (!mFile) {
        // The previous file's texts and picture must not stand for this one (Save
        // would write them under this file's name).
        hideAll();
        setPicture(nullptr);
        showFailure(path);
        return;
    }
    const ViewDescription& view = mFile->Description();
    mForm = view.form;
    QStringList notes;
    if (!view.note.empty()) notes << QString::fromStdString(view.note);
    const std::string completion = CatalogCompletionText(mFile->Completion(), LibraryPath(QFileInfo(path).fileName()));
    if (!completion.empty()) notes << QFile::decodeName(completion.c_str());
    QStringList formNotes;
    if (!view.note.empty()) formNotes << QString::fromStdString(view.note);
    // Objects whose GUID another file holds too are marked: the game keeps only one.
    if (mForm == ViewForm::kPreview) {
        const QString conflict = CConflictsDlg::ConflictMark(mDoc->SimsPath(), path);
        if (!conflict.isEmpty()) notes << conflict, formNotes << conflict;
    }
    mNoteText->setText(formNotes.join('\n'));
    if (mForm == ViewForm::kNote) {
        // Nothing to preview: the note alone says what the file is.
        hideAll();
        setPicture(nullptr);
        placeNote();
        emit fileNote(notes.join("; "));
        return;
    }
    // Without a string table the texts are empty: the previous file's would be wrong here.
    mName->setText(GameText(view.texts.name));
    mPrice->setText(GameText(view.texts.price));
    mDescription->setPlainText(GameText(view.texts.description));
    // The first object is shown afresh in every file; the view stays as chosen.
    mObject = 0;
    const bool selector = mForm == ViewForm::kPreview && view.objects.size() > 1;
    layOut(selector);
    mRefilling = true;
    mObjectBox->clear();
    for (size_t i = 0; selector && i < view.objects.size(); ++i)
        mObjectBox->addItem(view.objects[i].empty() ? QString("(object %1)").arg(i + 1) : GameText(view.objects[i]));
    mRefilling = false;
    for (QWidget* control : std::initializer_list<QWidget*>{mViewLabel, mViewText, mSteps[0], mSteps[1], mSteps[2],
                                                             mSteps[3]})
        control->setVisible(mForm == ViewForm::kPreview);
    if (mForm == ViewForm::kPreview) {
        showObject();
        mSprites->hide();
        mSpriteLabel->hide();
        mFrames->hide();
        mFrameLabel->hide();
    } else {
        mEditBar->Detach();
        mEditBar->hide();
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
    placeNote();
    emit fileNote(notes.join("; "));
}

QStringList CObjectView::ObjectNames() const {
    QStringList names;
    if (mFile && mForm == ViewForm::kPreview)
        for (const std::string& name : mFile->Description().objects) names << GameText(name);
    return names;
}

bool CObjectView::settleEdits() {
    mSettling = true;
    const bool saved = mEditBar->Settle();
    mSettling = false;
    return saved;
}

void CObjectView::reloadFile(int object) {
    const QString path = mDoc->CurrentFilePath();
    if (path.isEmpty()) return;
    releaseFile();
    showFile(path);
    if (!mFile || mForm != ViewForm::kPreview || object <= 0 || object >= mObjectBox->count()) return;
    mRefilling = true;
    mObjectBox->setCurrentIndex(object);
    mRefilling = false;
    mObject = object;
    showObject();
}

void CObjectView::placeNote() {
    if (mNoteText->text().isEmpty()) {
        mNoteText->hide();
        return;
    }
    if (mForm == ViewForm::kNote) {
        mNoteText->setGeometry(kNoteAloneBox);
    } else {
        const int top = mFrame->isHidden() ? mFrameCorner.y() : mFrame->geometry().bottom() + kNoteGap;
        mNoteText->setGeometry(QRect(QPoint(mFrameCorner.x(), top), kNoteSize));
        const QRect box = mNoteText->geometry();
        setMinimumSize(minimumSize().expandedTo(QSize(box.right() + kFormMargin, box.bottom() + kFormMargin)));
    }
    mNoteText->show();
}

void CObjectView::showFailure(const QString& path) {
    const QString why = Openers().openFailure ? Openers().openFailure(path) : QString();
    if (why.isEmpty()) return;
    // Where the picture would be, and in the status bar.
    mFrame->SetNote(why);
    placeFrame();
    mFrame->show();
    emit fileNote(why);
}

void CObjectView::showBitmapFile(const QString& path) {
    setPicture(Openers().loadBitmapFile(path));
    hideAll();
    if (mPicture) {
        placeFrame();
        mFrame->show();
    } else {
        showFailure(path);
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
    // Shown afresh, a wall or floor opens at its near sprite.
    const int first = mForm == ViewForm::kSprites ? 0 : std::max(0, NearestSpriteRow(mFile->Description()));
    if (mSprites->count() > 0) mSprites->setCurrentRow(previous >= 0 && previous < kept ? previous : first);
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
        sizeFrame();
        mFrame->show();
    } else {
        mFrame->hide();
    }
    placeNote();
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

void CObjectView::CloseFile() {
    releaseFile();
    hideAll();
    setPicture(nullptr);
}

}  // namespace tambrix::app
