#include "app/browsing/CTambrixView.h"

#include <QDirIterator>
#include <QHeaderView>
#include <QListView>
#include <QStandardItemModel>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTextLayout>
#include <QTreeView>
#include <algorithm>
#include <ctime>

#include "app/shell/AppArt.h"
#include "app/browsing/ArchiveBridge.h"
#include "app/browsing/ThumbnailProvider.h"
#include "app/browsing/ViewedFile.h"
#include "platform/PlatformFile.h"

namespace tambrix::app {

namespace {

enum Column { kNameColumn = 0, kSizeColumn = 1, kDateColumn = 2, kColumnCount = 3 };
const char* const kColumnTitles[kColumnCount] = {"Name", "Size", "Last Modified"};
const qint64 kBytesPerKB = 1024;
const int kLargeIcon = 32;
// Large Icons make room for the object files' previews.
const int kThumbnailIcon = ThumbnailProvider::kSide;
const int kSmallIcon = 16;
const int kDateTextBytes = 128;
// The order of a cell: the name itself, the size in bytes, the time in seconds.
const int kSortRole = Qt::UserRole + 1;
// The modification time in milliseconds, on the time cell: a file rewritten within one
// second at the same size is still a changed file.
const int kStampRole = Qt::UserRole + 2;
// Small icons stand in cells wide enough for this many average characters.
const int kSmallIconChars = 30;
const int kItemSpacing = 4;
// Rows measured for the report's column widths.
const int kWidthRows = 200;

/// A cell that sorts by its order value: names naturally, numbers as numbers.
class ListItem : public QStandardItem {
public:
    using QStandardItem::QStandardItem;
    bool operator<(const QStandardItem& other) const override {
        const QVariant mine = data(kSortRole);
        const QVariant theirs = other.data(kSortRole);
        if (mine.typeId() == QMetaType::QString) return CTambrixView::NameLess(mine.toString(), theirs.toString());
        return mine.toLongLong() < theirs.toLongLong();
    }
};

/// Keeps an item inside its grid cell: a long name loses its middle rather than run
/// over the next item.
class CellDelegate : public QStyledItemDelegate {
public:
    explicit CellDelegate(QListView* view) : QStyledItemDelegate(view), mView(view) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        const QSize grid = mView->gridSize();
        if (grid.isValid()) size = size.boundedTo(grid - QSize(kItemSpacing, 0));
        if (mView->viewMode() == QListView::IconMode && grid.isValid()) size = grid - QSize(kItemSpacing, 0);
        return size;
    }

    /// Under Large Icons a name breaks anywhere (file names seldom have spaces) onto a
    /// second line, and only what does not fit on two lines loses its middle.
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        if (mView->viewMode() != QListView::IconMode) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        QStyleOptionViewItem item = option;
        initStyleOption(&item, index);
        const QString text = item.text;
        item.text.clear();
        const QRect cell = item.rect;
        item.rect.setHeight(item.decorationSize.height() + kItemSpacing);
        QStyle* style = mView->style();
        style->drawControl(QStyle::CE_ItemViewItem, &item, painter, mView);

        const QRect textBox(cell.left() + 1, item.rect.bottom() + 1, cell.width() - 2, cell.bottom() - item.rect.bottom());
        const QStringList lines = twoLines(text, item.font, textBox.width());
        const int lineHeight = item.fontMetrics.lineSpacing();
        int widest = 0;
        for (const QString& line : lines) widest = std::max(widest, item.fontMetrics.horizontalAdvance(line));
        const QRect used((textBox.left() + textBox.right() - widest) / 2, textBox.top(), widest + 2,
                         lineHeight * static_cast<int>(lines.size()));
        const bool selected = item.state & QStyle::State_Selected;
        painter->save();
        if (selected) painter->fillRect(used, item.palette.brush(QPalette::Highlight));
        painter->setPen(item.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter->setFont(item.font);
        for (int i = 0; i < lines.size(); ++i)
            painter->drawText(QRect(textBox.left(), textBox.top() + i * lineHeight, textBox.width(), lineHeight),
                              Qt::AlignHCenter | Qt::AlignTop, lines[i]);
        painter->restore();
    }

    /// `text` in at most two lines of `width`: broken at a space where one fits, else
    /// anywhere; the second line loses its middle when the rest does not fit.
    static QStringList twoLines(const QString& text, const QFont& font, int width) {
        const QFontMetrics metrics(font);
        if (metrics.horizontalAdvance(text) <= width) return {text};
        QTextLayout layout(text);
        QTextOption wrap;
        wrap.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(wrap);
        layout.setFont(font);
        layout.beginLayout();
        QTextLine first = layout.createLine();
        first.setLineWidth(width);
        layout.endLayout();
        const int cut = std::max(1, first.textLength());
        const QString rest = text.mid(cut);
        return {text.left(cut), metrics.elidedText(rest, Qt::ElideMiddle, width)};
    }

private:
    QListView* mView;
};

QList<QStandardItem*> makeRow(const QIcon& icon, const QString& fileName, qint64 bytes, qint64 seconds,
                              const QString& dateText) {
    auto* name = new ListItem(icon, fileName);
    name->setData(fileName, kSortRole);
    name->setToolTip(fileName);
    auto* size = new ListItem(CTambrixView::SizeText(bytes));
    size->setData(bytes, kSortRole);
    size->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* date = new ListItem(dateText);
    date->setData(seconds, kSortRole);
    for (QStandardItem* item : {static_cast<QStandardItem*>(name), static_cast<QStandardItem*>(size),
                                static_cast<QStandardItem*>(date)})
        item->setEditable(false);
    return {name, size, date};
}

}  // namespace

CTambrixView::CTambrixView(CTambrixDoc* doc, QWidget* parent) : QStackedWidget(parent), mDoc(doc) {
    mModel = new QStandardItemModel(0, kColumnCount, this);
    mModel->setSortRole(kSortRole);
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
    // Files added, removed or changed while the folder is on show: read again once the
    // folder stands still.
    connect(&mWatcher, &QFileSystemWatcher::directoryChanged, this, &CTambrixView::onDiskChanged);
    connect(&mWatcher, &QFileSystemWatcher::fileChanged, this, &CTambrixView::onDiskChanged);
    mSettle.setSingleShot(true);
    mSettle.setInterval(kSettleMilliseconds);
    connect(&mSettle, &QTimer::timeout, this, &CTambrixView::onSettleCheck);
}

CTambrixView::~CTambrixView() { mDoc->RemoveView(this); }

void CTambrixView::OnInitialUpdate() {
    for (int column = 0; column < kColumnCount; ++column)
        mModel->setHeaderData(column, Qt::Horizontal, kColumnTitles[column]);
    mModel->setHeaderData(kSizeColumn, Qt::Horizontal, int(Qt::AlignRight | Qt::AlignVCenter), Qt::TextAlignmentRole);
    // Report view: whole rows are selected and the selection stays visible.
    mReport->setRootIsDecorated(false);
    mReport->setItemsExpandable(false);
    mReport->setUniformRowHeights(true);
    mReport->setSelectionBehavior(QAbstractItemView::SelectRows);
    mReport->setSelectionMode(QAbstractItemView::SingleSelection);
    mReport->setIconSize(QSize(kSmallIcon, kSmallIcon));
    // Names of one set share long beginnings: the middle goes, the end stays readable.
    mReport->setTextElideMode(Qt::ElideMiddle);
    mIcons->setTextElideMode(Qt::ElideMiddle);
    mIcons->setItemDelegate(new CellDelegate(mIcons));
    mIcons->setSelectionMode(QAbstractItemView::SingleSelection);
    mIcons->setModelColumn(kNameColumn);
    // A header click sorts by its column, a second click the other way; the choice is kept.
    mReport->header()->setSortIndicator(mDoc->SortColumn(),
                                        mDoc->SortDescending() ? Qt::DescendingOrder : Qt::AscendingOrder);
    mReport->header()->setSortIndicatorShown(true);
    mReport->header()->setSectionsClickable(true);
    connect(mReport->header(), &QHeaderView::sortIndicatorChanged, this, &CTambrixView::sortBy);
    SetStyle(ViewStyle::Report);
}

void CTambrixView::sortBy(int column, Qt::SortOrder order) {
    mDoc->SetSort(column, order == Qt::DescendingOrder);
    mModel->sort(column, order);
    if (CurrentRow() < 0) return;
    mReport->scrollTo(mSelection->currentIndex());
    mIcons->scrollTo(mSelection->currentIndex());
}

bool CTambrixView::NameLess(const QString& a, const QString& b) {
    const qsizetype na = a.size();
    const qsizetype nb = b.size();
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < na && j < nb) {
        const QChar ca = a[i];
        const QChar cb = b[j];
        if (ca.isDigit() && cb.isDigit()) {
            // Compare the two runs of digits as numbers: without leading zeros the
            // longer run is the larger; of equal length the first differing digit tells.
            qsizetype ea = i;
            qsizetype eb = j;
            while (ea < na && a[ea].isDigit()) ++ea;
            while (eb < nb && b[eb].isDigit()) ++eb;
            qsizetype sa = i;
            qsizetype sb = j;
            while (sa + 1 < ea && a[sa] == u'0') ++sa;
            while (sb + 1 < eb && b[sb] == u'0') ++sb;
            if (ea - sa != eb - sb) return ea - sa < eb - sb;
            for (qsizetype k = 0; k < ea - sa; ++k)
                if (a[sa + k] != b[sb + k]) return a[sa + k] < b[sb + k];
            i = ea;
            j = eb;
            continue;
        }
        const QChar la = ca.toCaseFolded();
        const QChar lb = cb.toCaseFolded();
        if (la != lb) return la < lb;
        ++i;
        ++j;
    }
    if ((na - i) != (nb - j)) return (na - i) < (nb - j);
    // Equal but for case or leading zeros: a fixed order all the same.
    return a < b;
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
        case ViewStyle::Icon: {
            // Names take up to two lines under the picture before they lose their middle.
            mIcons->setViewMode(QListView::IconMode);
            mIcons->setIconSize(QSize(kThumbnailIcon, kThumbnailIcon));
            const int lines = 2 * mIcons->fontMetrics().lineSpacing();
            mIcons->setGridSize(QSize(kThumbnailIcon * 3 / 2, kThumbnailIcon + lines + 2 * kItemSpacing));
            mIcons->setWordWrap(true);
            mIcons->setFlow(QListView::LeftToRight);
            mIcons->setWrapping(true);
            break;
        }
        case ViewStyle::SmallIcon: {
            mIcons->setWordWrap(false);
            // The icon left of its name, in rows: a cell as high as a line of text and
            // wide enough for most names (longer ones lose their middle).
            mIcons->setViewMode(QListView::ListMode);
            mIcons->setIconSize(QSize(kSmallIcon, kSmallIcon));
            const QFontMetrics metrics = mIcons->fontMetrics();
            const int height = std::max(kSmallIcon, metrics.height()) + kItemSpacing;
            const int width = kSmallIcon + kItemSpacing * 3 + metrics.averageCharWidth() * kSmallIconChars;
            mIcons->setGridSize(QSize(width, height));
            mIcons->setFlow(QListView::LeftToRight);
            mIcons->setWrapping(true);
            break;
        }
        case ViewStyle::List:
            mIcons->setWordWrap(false);
            mIcons->setViewMode(QListView::ListMode);
            mIcons->setIconSize(QSize(kSmallIcon, kSmallIcon));
            mIcons->setGridSize(QSize());
            mIcons->setFlow(QListView::TopToBottom);
            mIcons->setWrapping(true);
            break;
    }
    mIcons->setMovement(style == ViewStyle::Icon ? QListView::Free : QListView::Static);
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
    if (folder.isEmpty()) {
        // The tree lost the folder (another game folder): nothing of it stays listed.
        mModel->removeRows(0, mModel->rowCount());
        unwatch();
        return;
    }
    fill(folder);
    currentWidget()->update();
}

void CTambrixView::Refresh() {
    const QString folder = mDoc->CurrentFolder();
    if (folder.isEmpty()) return;
    fill(folder, mDoc->CurrentFile());
}

void CTambrixView::fill(const QString& folder, const QString& keep) {
    // What the kept file was, to tell whether it changed on disk.
    QVariant keptBytes;
    QVariant keptTime;
    for (int row = 0; !keep.isEmpty() && row < RowCount(); ++row)
        if (FileAt(row) == keep) {
            keptBytes = mModel->item(row, kSizeColumn)->data(kSortRole);
            keptTime = mModel->item(row, kDateColumn)->data(kStampRole);
        }
    mFilling = true;
    mModel->removeRows(0, mModel->rowCount());
    const QPixmap large = art::DataFile(kLargeIcon);
    QIcon icon(large);
    icon.addPixmap(art::DataFile(kSmallIcon));
    // The files as plain values first: sorting them costs no item and no variant.
    struct Entry {
        QString name;
        qint64 bytes;
        qint64 seconds;  // 0 without a time
        QString dateText;
        qint64 stamp;  // milliseconds, 0 without a time
    };
    QList<Entry> entries;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        QString name = info.fileName();
        if (!IsListedFile(name)) continue;
        const QDateTime modified = info.lastModified();
        const qint64 seconds = modified.isValid() ? modified.toSecsSinceEpoch() : 0;
        entries.append({std::move(name), info.size(), seconds, modified.isValid() ? DateText(seconds) : QString(),
                        modified.isValid() ? modified.toMSecsSinceEpoch() : 0});
    }
    // The entries of an archive (or of a folder inside one) carry the archive's own
    // modification time: the archive keeps none for them.
    const QList<MountedFileInfo> mounted = MountedFiles(folder);
    std::vector<std::string> unlisted;  // the archive's entries of no listed kind
    if (!mounted.isEmpty()) {
        const std::optional<QString> archive = ArchiveOf(folder);
        const QDateTime modified = archive ? QFileInfo(*archive).lastModified() : QDateTime();
        const qint64 seconds = modified.isValid() ? modified.toSecsSinceEpoch() : 0;
        const QString dateText = modified.isValid() ? DateText(seconds) : QString();
        for (const MountedFileInfo& entry : mounted) {
            if (IsListedFile(entry.name))
                entries.append({entry.name, entry.size, seconds, dateText, seconds * 1000});
            else
                unlisted.push_back(LibraryPath(entry.name));
        }
    }
    // In the chosen order from the start: sorting a filled model would move every row.
    // The same order as ListItem's: names naturally, sizes and times as numbers.
    const int column = mDoc->SortColumn();
    const auto less = [column](const Entry& a, const Entry& b) {
        if (column == kSizeColumn) return a.bytes < b.bytes;
        if (column == kDateColumn) return a.seconds < b.seconds;
        return NameLess(a.name, b.name);
    };
    if (mDoc->SortDescending())
        std::stable_sort(entries.begin(), entries.end(), [&less](const Entry& a, const Entry& b) { return less(b, a); });
    else
        std::stable_sort(entries.begin(), entries.end(), less);
    for (const Entry& entry : entries) {
        const QList<QStandardItem*> row = makeRow(icon, entry.name, entry.bytes, entry.seconds, entry.dateText);
        row[kDateColumn]->setData(entry.stamp, kStampRole);
        mModel->appendRow(row);
    }
    // Widths from the rows around the top: a long name further down loses its middle.
    mReport->header()->setResizeContentsPrecision(kWidthRows);
    for (int each = 0; each < kColumnCount; ++each) mReport->resizeColumnToContents(each);
    mFilling = false;
    mFolder = folder;
    if (mStyle == ViewStyle::Icon) mThumbnails->Fill(mModel, folder);
    watch();

    if (mModel->rowCount() == 0) {
        // Nothing to show: the other panes must drop the file of the previous folder,
        // so they are told as well.
        mDoc->SetCurrentFile(QString());
        mDoc->UpdateAllViews(this);
        if (!unlisted.empty()) emit folderNote(QFile::decodeName(HeldFilesText(unlisted).c_str()));
        return;
    }
    for (int row = 0; !keep.isEmpty() && row < RowCount(); ++row) {
        if (FileAt(row) != keep) continue;
        const bool changed = mModel->item(row, kSizeColumn)->data(kSortRole) != keptBytes ||
                             mModel->item(row, kDateColumn)->data(kStampRole) != keptTime;
        if (changed) {
            SelectRow(row);
        } else {
            // The same file as before: selected again without opening it anew.
            mFilling = true;
            mSelection->setCurrentIndex(mModel->index(row, kNameColumn),
                                        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            mFilling = false;
        }
        return;
    }
    SelectRow(0);
}

void CTambrixView::unwatch() {
    mSettle.stop();
    const QStringList watched = mWatcher.files() + mWatcher.directories();
    if (!watched.isEmpty()) mWatcher.removePaths(watched);
}

void CTambrixView::watch() {
    // Only what changed is added or removed: a path dropped and added again would miss
    // the events in between (a file copied in then would never show).
    QStringList wanted;
    const QString folder = mDoc->CurrentFolder();
    // Only folders on disk change under the list; an archive's entries do not.
    if (QFileInfo(folder).isDir()) {
        wanted << folder;
        const QString file = mDoc->CurrentFilePath();
        if (!file.isEmpty() && QFileInfo(file).isFile()) wanted << file;
    }
    const QStringList watched = mWatcher.files() + mWatcher.directories();
    QStringList gone;
    for (const QString& path : watched)
        if (!wanted.contains(path)) gone << path;
    QStringList added;
    for (const QString& path : wanted)
        if (!watched.contains(path)) added << path;
    if (!gone.isEmpty()) mWatcher.removePaths(gone);
    if (!added.isEmpty()) mWatcher.addPaths(added);
}

void CTambrixView::onDiskChanged() {
    // Each event starts the wait afresh from what the folder holds now.
    mSettleState = folderState();
    mSettle.start();
}

void CTambrixView::onSettleCheck() {
    const QString now = folderState();
    if (now != mSettleState) {
        // Still being written: look again later.
        mSettleState = now;
        mSettle.start();
        return;
    }
    Refresh();
}

QString CTambrixView::folderState() const {
    const QString folder = mDoc->CurrentFolder();
    if (!QFileInfo(folder).isDir()) return QString();
    QStringList parts;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        if (!IsListedFile(info.fileName())) continue;
        const platform::FileIdentity identity =
            platform::IdentifyFile(LibraryPath(info.filePath())).value_or(platform::FileIdentity{});
        parts << QString("%1/%2/%3/%4").arg(info.fileName()).arg(identity.size).arg(identity.modifiedNs).arg(identity.inode);
    }
    parts.sort();
    return parts.join('\n');
}

void CTambrixView::rereadRow(int row) {
    const QFileInfo info(QDir(mDoc->CurrentFolder()).filePath(FileAt(row)));
    if (!info.isFile()) return;
    QStandardItem* size = mModel->item(row, kSizeColumn);
    QStandardItem* date = mModel->item(row, kDateColumn);
    const QDateTime modified = info.lastModified();
    size->setText(SizeText(info.size()));
    size->setData(info.size(), kSortRole);
    date->setText(modified.isValid() ? DateText(modified.toSecsSinceEpoch()) : QString());
    date->setData(modified.isValid() ? modified.toSecsSinceEpoch() : 0, kSortRole);
    date->setData(modified.isValid() ? modified.toMSecsSinceEpoch() : 0, kStampRole);
}

bool CTambrixView::SelectFile(const QString& name) {
    for (int row = 0; row < RowCount(); ++row)
        if (FileAt(row) == name) {
            SelectRow(row);
            return true;
        }
    return false;
}

qint64 CTambrixView::BytesAt(int row) const {
    const QStandardItem* item = mModel->item(row, kSizeColumn);
    return item ? item->data(kSortRole).toLongLong() : 0;
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
    // Showing the file may have completed its catalog table on disk: the row tells
    // the size and date the file has now.
    rereadRow(current.row());
    watch();
}

}  // namespace tambrix::app
