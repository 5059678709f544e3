#include "app/CTambrixView.h"

#include <QDirIterator>
#include <QHeaderView>
#include <QListView>
#include <QStandardItemModel>
#include <QTreeView>
#include <ctime>

#include "app/AppArt.h"
#include "app/ArchiveBridge.h"
#include "app/ThumbnailProvider.h"
#include "app/ViewedFile.h"

namespace tambrix::app {

namespace {

enum Column { kNameColumn = 0, kSizeColumn = 1, kDateColumn = 2, kColumnCount = 3 };
const int kColumnWidths[kColumnCount] = {120, 70, 460};
const char* const kColumnTitles[kColumnCount] = {"Name", "Size", "Last Modified"};
const qint64 kBytesPerKB = 1024;
const int kLargeIcon = 32;
// Large Icons make room for the object files' previews.
const int kThumbnailIcon = ThumbnailProvider::kSide;
const int kSmallIcon = 16;
const int kDateTextBytes = 128;

}  // namespace

CTambrixView::CTambrixView(CTambrixDoc* doc, QWidget* parent) : QStackedWidget(parent), mDoc(doc) {
    mModel = new QStandardItemModel(0, kColumnCount, this);
    mSelection = new QItemSelectionModel(mModel, this);
    mReport = new QTreeView(this);
    mReport->setModel(mModel);
    mReport->setSelectionModel(mSelection);
    mIcons = new QListView(this);
    mIcons->setModel(mModel);
    mIcons->setSelectionModel(mSelection);
    addWidget(mReport);
    addWidget(mIcons);
    mThumbnails = new ThumbnailProvider(this);
    mDoc->AddView(this);
    connect(mSelection, &QItemSelectionModel::currentChanged, this, &CTambrixView::onCurrentChanged);
}

CTambrixView::~CTambrixView() { mDoc->RemoveView(this); }

void CTambrixView::OnInitialUpdate() {
    for (int column = 0; column < kColumnCount; ++column)
        mModel->setHeaderData(column, Qt::Horizontal, kColumnTitles[column]);
    mModel->setHeaderData(kSizeColumn, Qt::Horizontal, int(Qt::AlignRight | Qt::AlignVCenter), Qt::TextAlignmentRole);
    for (int column = 0; column < kColumnCount; ++column) mReport->setColumnWidth(column, kColumnWidths[column]);
    // Report view: whole rows are selected and the selection stays visible.
    mReport->setRootIsDecorated(false);
    mReport->setItemsExpandable(false);
    mReport->setUniformRowHeights(true);
    mReport->setSelectionBehavior(QAbstractItemView::SelectRows);
    mReport->setSelectionMode(QAbstractItemView::SingleSelection);
    mReport->setIconSize(QSize(kSmallIcon, kSmallIcon));
    mIcons->setSelectionMode(QAbstractItemView::SingleSelection);
    mIcons->setModelColumn(kNameColumn);
    SetStyle(ViewStyle::Report);
}

bool CTambrixView::IsListedFile(const QString& name) { return IsListedKind(KindOfName(LibraryPath(name))); }

QString CTambrixView::SizeText(qint64 bytes) {
    return QString::asprintf("%lldKB", static_cast<long long>(bytes / kBytesPerKB));
}

QString CTambrixView::DateText(qint64 secondsSinceEpoch) {
    const std::time_t time = static_cast<std::time_t>(secondsSinceEpoch);
    std::tm local{};
    if (localtime_r(&time, &local) == nullptr) return QString();
    char text[kDateTextBytes];
    const size_t length = std::strftime(text, sizeof text, "%c", &local);
    return QString::fromLocal8Bit(text, static_cast<qsizetype>(length));
}

void CTambrixView::SetStyle(ViewStyle style) {
    mStyle = style;
    if (style == ViewStyle::Icon)
        mThumbnails->Fill(mModel, mFolder);
    else
        mThumbnails->Cancel();
    switch (style) {
        case ViewStyle::Report: setCurrentWidget(mReport); return;
        case ViewStyle::Icon:
            mIcons->setViewMode(QListView::IconMode);
            mIcons->setIconSize(QSize(kThumbnailIcon, kThumbnailIcon));
            mIcons->setGridSize(QSize(kThumbnailIcon * 3 / 2, kThumbnailIcon * 3 / 2));
            mIcons->setFlow(QListView::LeftToRight);
            break;
        case ViewStyle::SmallIcon:
            mIcons->setViewMode(QListView::IconMode);
            mIcons->setIconSize(QSize(kSmallIcon, kSmallIcon));
            mIcons->setGridSize(QSize(kSmallIcon * 8, kSmallIcon + 6));
            mIcons->setFlow(QListView::LeftToRight);
            break;
        case ViewStyle::List:
            mIcons->setViewMode(QListView::ListMode);
            mIcons->setIconSize(QSize(kSmallIcon, kSmallIcon));
            mIcons->setGridSize(QSize());
            mIcons->setFlow(QListView::TopToBottom);
            mIcons->setWrapping(true);
            break;
    }
    mIcons->setMovement(style == ViewStyle::List ? QListView::Static : QListView::Free);
    mIcons->setResizeMode(QListView::Adjust);
    setCurrentWidget(mIcons);
}

void CTambrixView::Arrange() {
    if (mStyle != ViewStyle::Icon && mStyle != ViewStyle::SmallIcon) return;
    // A fresh layout puts every icon back on its grid cell.
    mIcons->setMovement(QListView::Snap);
    mIcons->doItemsLayout();
    mIcons->setMovement(QListView::Free);
}

void CTambrixView::OnUpdate(CView*) {
    const QString folder = mDoc->CurrentFolder();
    if (folder.isEmpty()) return;
    fill(folder);
    currentWidget()->update();
}

void CTambrixView::fill(const QString& folder) {
    mFilling = true;
    mModel->removeRows(0, mModel->rowCount());
    const QPixmap large = art::DataFile(kLargeIcon);
    QIcon icon(large);
    icon.addPixmap(art::DataFile(kSmallIcon));
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System);
    QList<QList<QStandardItem*>> rows;
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        if (!IsListedFile(info.fileName())) continue;
        auto* name = new QStandardItem(icon, info.fileName());
        auto* size = new QStandardItem(SizeText(info.size()));
        size->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        const QDateTime modified = info.lastModified();
        auto* date = new QStandardItem(modified.isValid() ? DateText(modified.toSecsSinceEpoch()) : QString());
        for (QStandardItem* item : {name, size, date}) item->setEditable(false);
        rows.append({name, size, date});
    }
    // The entries of an archive (or of a folder inside one) carry the archive's own
    // modification time: the archive keeps none for them.
    const QList<MountedFileInfo> entries = MountedFiles(folder);
    if (!entries.isEmpty()) {
        const std::optional<QString> archive = ArchiveOf(folder);
        const QDateTime modified = archive ? QFileInfo(*archive).lastModified() : QDateTime();
        const QString dateText = modified.isValid() ? DateText(modified.toSecsSinceEpoch()) : QString();
        for (const MountedFileInfo& entry : entries) {
            if (!IsListedFile(entry.name)) continue;
            auto* name = new QStandardItem(icon, entry.name);
            auto* size = new QStandardItem(SizeText(entry.size));
            size->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            auto* date = new QStandardItem(dateText);
            for (QStandardItem* item : {name, size, date}) item->setEditable(false);
            rows.append({name, size, date});
        }
    }
    for (auto& row : rows) mModel->appendRow(row);
    mFilling = false;
    mFolder = folder;
    if (mStyle == ViewStyle::Icon) mThumbnails->Fill(mModel, folder);

    if (mModel->rowCount() == 0) {
        // Nothing to show: the other panes must drop the file of the previous folder,
        // so they are told as well.
        mDoc->SetCurrentFile(QString());
        mDoc->UpdateAllViews(this);
        return;
    }
    SelectRow(0);
}

int CTambrixView::RowCount() const { return mModel->rowCount(); }

QString CTambrixView::FileAt(int row) const { return TextAt(row, kNameColumn); }

QString CTambrixView::TextAt(int row, int column) const {
    const QStandardItem* item = mModel->item(row, column);
    return item ? item->text() : QString();
}

int CTambrixView::CurrentRow() const {
    return mSelection->currentIndex().isValid() ? mSelection->currentIndex().row() : -1;
}

void CTambrixView::SelectRow(int row) {
    const QModelIndex index = mModel->index(row, kNameColumn);
    if (!index.isValid()) return;
    // Selecting the row already focused would not report a change, yet the file must
    // be shown again (the folder was refilled).
    if (mSelection->currentIndex() == index) mSelection->clearCurrentIndex();
    mSelection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    mReport->scrollTo(index);
}

void CTambrixView::onCurrentChanged() {
    if (mFilling) return;
    const QModelIndex current = mSelection->currentIndex();
    if (!current.isValid()) return;
    mDoc->SetCurrentFile(FileAt(current.row()));
    mDoc->UpdateAllViews(this);
}

}  // namespace tambrix::app
