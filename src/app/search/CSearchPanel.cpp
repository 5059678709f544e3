#include "app/search/CSearchPanel.h"

#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include "app/shell/AppArt.h"
#include "app/shell/CTambrixDoc.h"
#include "app/search/GameSearch.h"
#include "app/browsing/ThumbnailProvider.h"

namespace tambrix::app {

namespace {

const char* const kColumnTitles[CSearchPanel::kColumnCount] = {"File", "Object", "Price"};
const int kColumnWidths[CSearchPanel::kColumnCount] = {420, 220, 70};
const int kResultIcon = 48;
const int kGenericIcon = 32;
const int kSmallIcon = 16;
const int kProgressWidth = 220;
const char* const kPlaceholder = "Find objects by name, description or file name";
const QColor kProblemText(Qt::gray);

}  // namespace

CSearchPanel::CSearchPanel(CTambrixDoc* doc, QWidget* list, QWidget* parent)
    : QWidget(parent), mDoc(doc), mList(list) {
    mSearch = new GameSearch(this);
    mThumbnails = new ThumbnailProvider(this);
    mBox = new QLineEdit(this);
    mBox->setPlaceholderText(kPlaceholder);
    mBox->setClearButtonEnabled(true);
    mBox->installEventFilter(this);
    mProgress = new QProgressBar(this);
    mProgress->setFixedWidth(kProgressWidth);
    mProgress->setFormat("Indexing %v of %m files");
    mProgress->setVisible(false);
    mNote = new QLabel(this);

    mModel = new QStandardItemModel(0, kColumnCount, this);
    for (int column = 0; column < kColumnCount; ++column)
        mModel->setHeaderData(column, Qt::Horizontal, kColumnTitles[column]);
    mModel->setHeaderData(kPriceColumn, Qt::Horizontal, int(Qt::AlignRight | Qt::AlignVCenter),
                          Qt::TextAlignmentRole);
    mResults = new QTreeView(this);
    mResults->setModel(mModel);
    mResults->setRootIsDecorated(false);
    mResults->setItemsExpandable(false);
    mResults->setUniformRowHeights(true);
    mResults->setSelectionBehavior(QAbstractItemView::SelectRows);
    mResults->setSelectionMode(QAbstractItemView::SingleSelection);
    mResults->setEditTriggers(QAbstractItemView::NoEditTriggers);
    mResults->setIconSize(QSize(kResultIcon, kResultIcon));
    for (int column = 0; column < kColumnCount; ++column) mResults->setColumnWidth(column, kColumnWidths[column]);
    // The price stays beside the name; a long path loses its middle, not its file name.
    mResults->header()->setStretchLastSection(false);
    mResults->header()->setSectionResizeMode(kObjectColumn, QHeaderView::Stretch);
    mResults->setTextElideMode(Qt::ElideMiddle);

    mStack = new QStackedWidget(this);
    mStack->addWidget(mList);
    mStack->addWidget(mResults);
    mStack->setCurrentWidget(mList);

    auto* row = new QHBoxLayout;
    row->addWidget(mBox, 1);
    row->addWidget(mProgress);
    row->addWidget(mNote);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addLayout(row);
    layout->addWidget(mStack, 1);

    mDelay = new QTimer(this);
    mDelay->setSingleShot(true);
    mDelay->setInterval(kDelayMs);
    connect(mDelay, &QTimer::timeout, this, &CSearchPanel::fillResults);
    connect(mBox, &QLineEdit::textChanged, this, &CSearchPanel::onTextChanged);
    connect(mSearch, &GameSearch::progress, this, [this](int done, int total) {
        mProgress->setRange(0, total);
        mProgress->setValue(done);
    });
    connect(mSearch, &GameSearch::refreshed, this, &CSearchPanel::onRefreshed);
    connect(mSearch, &GameSearch::notice, this, &CSearchPanel::statusText);
    // Rows of changed files: the results shown follow, their choice kept. Queued, for
    // the news may come while a result's choice is being handled.
    connect(
        mSearch, &GameSearch::changed, this,
        [this] {
            if (ShowsResults() && !mBox->text().trimmed().isEmpty() && !mDelay->isActive()) fillResults();
        },
        Qt::QueuedConnection);
    connect(mResults->selectionModel(), &QItemSelectionModel::currentChanged, this, &CSearchPanel::onResultChanged);
    connect(mThumbnails, &ThumbnailProvider::thumbnailShown, this, &CSearchPanel::onThumbnail);
    // Another game folder: its own index, started again on the box's next use (at once
    // when the box holds a text).
    connect(mDoc, &CTambrixDoc::archivesMounted, this, [this] {
        if (followGameFolder() && !mBox->text().trimmed().isEmpty()) {
            start();
            fillResults();
        }
    });
}

CSearchPanel::~CSearchPanel() = default;

bool CSearchPanel::ShowsResults() const { return mStack->currentWidget() == mResults; }

bool CSearchPanel::followGameFolder() {
    if (mDoc->SimsPath() == mSearch->Folder()) return false;
    mSearch->SetFolder(mDoc->SimsPath());
    mProblem.clear();
    mProgress->setVisible(false);
    mThumbnails->Cancel();
    mFilling = true;
    mModel->removeRows(0, mModel->rowCount());
    mFilling = false;
    return true;
}

void CSearchPanel::start() {
    followGameFolder();
    if (mSearch->Refreshing() || mSearch->Refreshed()) return;
    // Busy until the walk of the folder gives a count.
    mProgress->setRange(0, 0);
    mProgress->setVisible(true);
    mSearch->Start();
}

bool CSearchPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == mBox && event->type() == QEvent::FocusIn) start();
    if (watched == mBox && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Escape && !mBox->text().isEmpty()) {
            mBox->clear();
            return true;
        }
        if ((key == Qt::Key_Down || key == Qt::Key_Return || key == Qt::Key_Enter) && ShowsResults()) {
            if (mDelay->isActive()) FindNow();
            mResults->setFocus();
            if (!mResults->currentIndex().isValid()) SelectResult(0);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CSearchPanel::onTextChanged(const QString& text) {
    if (text.trimmed().isEmpty()) {
        mDelay->stop();
        mThumbnails->Cancel();
        mNote->clear();
        mStack->setCurrentWidget(mList);
        return;
    }
    start();
    mDelay->start();
}

void CSearchPanel::FindNow() {
    mDelay->stop();
    if (!mBox->text().trimmed().isEmpty()) fillResults();
}

void CSearchPanel::onRefreshed(const QString& problem) {
    mProgress->setVisible(false);
    mProblem = problem;
    // What was found while the index was being built may have grown.
    if (!mBox->text().trimmed().isEmpty() && !mDelay->isActive()) fillResults();
}

void CSearchPanel::fillResults() {
    std::vector<IndexHit> hits;
    const QString failure = mSearch->Find(mBox->text(), kLimit, hits);
    // A result chosen before the index changed stays chosen while its file and object
    // are among the results; else nothing is.
    const QModelIndex current = mResults->currentIndex();
    const QStandardItem* chosen = current.isValid() ? mModel->item(current.row(), kFileColumn) : nullptr;
    const QString chosenPath = chosen ? chosen->data(kPathRole).toString() : QString();
    const int chosenObject = chosen ? chosen->data(kObjectRole).toInt() : -1;

    mFilling = true;
    mThumbnails->Cancel();
    mModel->removeRows(0, mModel->rowCount());
    // The generic icon on a square of the thumbnails' size keeps every name in line.
    QPixmap square(kResultIcon, kResultIcon);
    square.fill(Qt::transparent);
    QPainter(&square).drawPixmap((kResultIcon - kGenericIcon) / 2, (kResultIcon - kGenericIcon) / 2,
                                 art::DataFile(kGenericIcon));
    QIcon generic(square);
    generic.addPixmap(art::DataFile(kSmallIcon));
    int chosenRow = -1;
    for (const IndexHit& hit : hits) {
        auto* file = new QStandardItem(generic, QFile::decodeName(hit.path.c_str()));
        file->setData(file->text(), kPathRole);
        file->setData(hit.object, kObjectRole);
        auto* object = new QStandardItem(QString::fromStdString(hit.name));
        auto* price = new QStandardItem(hit.price ? QString::number(*hit.price) : QString());
        price->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        const QString problem = QString::fromStdString(hit.problem);
        const QString tip = problem.isEmpty() ? QString::fromStdString(hit.description) : problem;
        for (QStandardItem* item : {file, object, price}) {
            item->setEditable(false);
            if (!tip.isEmpty()) item->setToolTip(tip);
            if (!problem.isEmpty()) item->setForeground(kProblemText);
        }
        if (chosen && file->text() == chosenPath && hit.object == chosenObject) chosenRow = mModel->rowCount();
        mModel->appendRow({file, object, price});
    }
    if (chosenRow >= 0)
        mResults->selectionModel()->setCurrentIndex(mModel->index(chosenRow, kFileColumn),
                                                    QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    mFilling = false;
    mStack->setCurrentWidget(mResults);
    mThumbnails->Fill(mModel, mSearch->Folder());

    if (!failure.isEmpty())
        mNote->setText(failure);
    else if (!mProblem.isEmpty())
        mNote->setText(mProblem);
    else if (hits.empty())
        mNote->setText(mSearch->Refreshed() ? "Nothing found" : "");
    else
        mNote->setText(hits.size() >= size_t(kLimit) ? QString("The first %1 found").arg(kLimit)
                                                     : QString("%1 found").arg(hits.size()));
}

void CSearchPanel::SelectResult(int row) {
    const QModelIndex index = mModel->index(row, kFileColumn);
    if (!index.isValid()) return;
    mResults->selectionModel()->setCurrentIndex(index,
                                                QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

int CSearchPanel::RowOf(const QString& path, int object) const {
    for (int row = 0; row < mModel->rowCount(); ++row) {
        const QStandardItem* item = mModel->item(row, kFileColumn);
        if (item->data(kPathRole).toString() == path && (object < 0 || item->data(kObjectRole).toInt() == object))
            return row;
    }
    return -1;
}

void CSearchPanel::LeaveResults() {
    if (!mBox->text().isEmpty()) mBox->clear();  // the list comes back
    mStack->setCurrentWidget(mList);
}

void CSearchPanel::ForgetChoice() {
    mFilling = true;
    mResults->selectionModel()->clearSelection();
    mResults->selectionModel()->clearCurrentIndex();
    mFilling = false;
}

void CSearchPanel::FilesChanged(const QStringList& paths) { mSearch->Update(paths); }

void CSearchPanel::RefreshIndex(const QString& folder) {
    if (!folder.isEmpty()) mSearch->Update({folder});
    mSearch->RefreshAll();
}

void CSearchPanel::onResultChanged() {
    if (mFilling) return;
    const QModelIndex current = mResults->currentIndex();
    if (!current.isValid()) return;
    // The index's paths are relative to the game folder, '/' separated, an archive's
    // entries below a folder of the archive's name: the tree's own layout.
    const QString path = mModel->item(current.row(), kFileColumn)->data(kPathRole).toString();
    const qsizetype slash = path.lastIndexOf('/');
    const QString root = QDir::cleanPath(mSearch->Folder());
    const QString folder = slash < 0 ? root : QDir::cleanPath(root + "/" + path.left(slash));
    emit fileChosen(folder, path.mid(slash + 1));
}

void CSearchPanel::onThumbnail(const QString& name) {
    // The provider sets the first row of a file; its other objects share the picture.
    const QList<QStandardItem*> items = mModel->findItems(name, Qt::MatchExactly, kFileColumn);
    for (QStandardItem* item : items) item->setIcon(items.front()->icon());
}

}  // namespace tambrix::app
