// The frame, the folder tree and the file list: their commands, the tree's folders,
// the list's files and order, and how both follow the disk.

#include <QAction>
#include <QDirIterator>
#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QMimeData>
#include <QSplitter>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QTreeView>
#include <QUrl>
#include <QtTest>
#include <memory>

#include "app/CSettingsDlg.h"
#include "support/AppTestSupport.h"
#include "support/Browser.h"
#include "support/FakeViewedFile.h"

using namespace tambrix::app;
using namespace tambrix::app::testing;

namespace {

QStringList listed(const Browser& browser) {
    QStringList names;
    for (int row = 0; row < browser.List()->RowCount(); ++row) names << browser.List()->FileAt(row);
    return names;
}

FakeContent chair() {
    FakeContent content;
    content.inputs.objects = {{"Chair", "120", "A chair"}};
    return content;
}

}  // namespace

class FrameTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        mSandbox = std::make_unique<Sandbox>();
        mSims = mSandbox->MakeFolder("sims");
    }
    void cleanup() { mSandbox.reset(); }

    void frameTakesMostOfTheScreenCentred() {
        QCOMPARE(CMainFrame::InitialGeometry(QRect(0, 0, 1024, 768)), QRect(77, 77, 870, 614));
        // Truncated, not rounded: 85% of 1366 is 1161.1, 80% of 767 is 613.6.
        QCOMPARE(CMainFrame::InitialGeometry(QRect(0, 0, 1366, 767)), QRect(102, 77, 1161, 613));
        QCOMPARE(CMainFrame::InitialGeometry(QRect(1920, 0, 1000, 1000)), QRect(1995, 100, 850, 800));
    }

    // The four list styles carry one radio mark; Arrange works only for icons.
    void viewStylesCarryOneMark() {
        Browser browser(mSims);
        CMainFrame* frame = browser.frame.get();
        for (int style : {0, 1, 2, 3}) {
            frame->StyleAction(style)->trigger();
            for (int i = 0; i < 4; ++i) QCOMPARE(frame->StyleAction(i)->isChecked(), i == style);
            QCOMPARE(frame->ArrangeAction()->isEnabled(), style < 2);
            QCOMPARE(int(browser.List()->Style()), style);
            QCOMPARE(browser.List()->currentWidget() == browser.List()->ReportView(), style == 3);
        }
    }

    // Under "The Sims" the folders in the file system's own order, each once; a link back
    // to an ancestor is listed, not entered; selecting the root lists its own files.
    void treeListsTheFoldersOnceAndTheRootItsFiles() {
        for (const char* name : {"Zeta", "alpha", "Mid", "alpha/Inner", "alpha/Inner/Deep"})
            mSandbox->MakeFolder(QString("sims/") + name);
        QVERIFY(QFile::link(mSims + "/alpha", mSims + "/alpha/Inner/up"));
        mSandbox->MakeFile(mSims, "w.wll");
        mSandbox->MakeFile(mSims + "/Mid", "inner.wll");
        Browser browser(mSims);
        QTreeWidgetItem* root = browser.Tree()->topLevelItem(0);
        QCOMPARE(root->text(0), QString("The Sims"));
        QStringList expected, shown;
        QDirIterator it(mSims, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
        while (it.hasNext()) expected << QFileInfo(it.next()).fileName();
        for (int i = 0; i < root->childCount(); ++i) shown << root->child(i)->text(0);
        QCOMPARE(shown, expected);
        QCOMPARE(browser.Tree()->Paths().size(), 6);
        QCOMPARE(browser.Tree()->ItemForPath(mSims + "/alpha/Inner/Deep")->parent()->text(0), QString("Inner"));
        QCOMPARE(browser.Tree()->ItemForPath(mSims + "/alpha/Inner/up")->childCount(), 0);
        QVERIFY(browser.SelectFolder(mSims + "/Mid"));
        browser.Tree()->setCurrentItem(root);
        QCOMPARE(browser.doc->CurrentFolder(), mSims);
        QCOMPARE(listed(browser), QStringList{"w.wll"});
    }

    // Only the game's kinds of file are listed, with their sizes in whole KB; the first
    // is shown at once and is the only file open. A folder without such files hides
    // the whole form and turns Save and Delete off.
    void selectingAFolderFillsTheListAndPreviewsTheFirstFile() {
        int open = 0;
        InstallFakeOpeners(chair(), &open);
        const QString folder = mSandbox->MakeFolder("sims/Objects");
        for (const char* name : {"readme.txt", "notes.iff.bak", "iff", "chair.iffx"}) mSandbox->MakeFile(folder, name);
        mSandbox->MakeFile(folder, "CHAIR.IFF", 1023);
        mSandbox->MakeFile(folder, "table.Spf", 2048);
        mSandbox->MakeFolder("sims/Objects/folder.iff");
        Browser browser(mSims);
        QVERIFY(browser.SelectFolder(folder));
        CTambrixView* list = browser.List();
        QCOMPARE(listed(browser), (QStringList{"CHAIR.IFF", "table.Spf"}));
        QCOMPARE(list->TextAt(0, 1) + list->TextAt(1, 1), QString("0KB2KB"));
        QVERIFY(!list->TextAt(0, 2).isEmpty());
        QCOMPARE(browser.doc->CurrentFile(), QString("CHAIR.IFF"));
        QCOMPARE(browser.Form()->NameEdit()->text(), QString("Chair"));
        QVERIFY(browser.frame->SaveAction()->isEnabled() && browser.frame->DeleteAction()->isEnabled());
        QCOMPARE(open, 1);
        QVERIFY(browser.SelectFolder(mSims));
        QVERIFY(browser.doc->CurrentFile().isEmpty() && !browser.Form()->CurrentPicture());
        for (QWidget* control : browser.Form()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            QVERIFY2(control->isHidden(), control->metaObject()->className());
        QVERIFY(!browser.frame->SaveAction()->isEnabled() && !browser.frame->DeleteAction()->isEnabled());
    }

    // Another game folder in Settings: the tree is the new folder's at once.
    void changingTheGameFolderRebuildsTheTree() {
        mSandbox->MakeFolder("sims/Old");
        const QString other = mSandbox->MakeFolder("other");
        mSandbox->MakeFolder("other/New");
        mSandbox->MakeFile(other, "n.flr");
        Browser browser(mSims);
        QVERIFY(browser.SelectFolder(mSims + "/Old"));
        CSettingsDlg dialog(browser.doc.get());
        dialog.SimsPathEdit()->setText(other);
        dialog.accept();
        QVERIFY(!browser.Tree()->ItemForPath(mSims + "/Old"));
        QVERIFY(browser.Tree()->ItemForPath(other + "/New"));
        QCOMPARE(browser.doc->CurrentFolder(), other);
        QCOMPARE(listed(browser), QStringList{"n.flr"});
    }

    // Names without regard to case, digits by number; a header click sorts by that
    // column, again the other way, and the next start keeps the choice.
    void listSortsNaturallyAndRemembers_data() {
        QTest::addColumn<int>("clicks");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("start") << 0 << QStringList{"a2.iff", "A10.iff", "roses_448.iff", "Roses_1852.iff"};
        QTest::newRow("name again") << 1 << QStringList{"Roses_1852.iff", "roses_448.iff", "A10.iff", "a2.iff"};
        QTest::newRow("size") << 2 << QStringList{"roses_448.iff", "Roses_1852.iff", "A10.iff", "a2.iff"};
    }
    void listSortsNaturallyAndRemembers() {
        QFETCH(int, clicks);
        QFETCH(QStringList, order);
        const QString folder = mSandbox->MakeFolder("sims/Sets");
        const int sizes[] = {4096, 3000, 1000, 2000};
        const QStringList names{"a2.iff", "A10.iff", "roses_448.iff", "Roses_1852.iff"};
        for (int i = 3; i >= 0; --i) mSandbox->MakeFile(folder, names[i], sizes[i]);
        {
            Browser browser(mSims);
            QVERIFY(browser.SelectFolder(folder));
            QHeaderView* header = browser.List()->ReportView()->header();
            if (clicks == 1) header->setSortIndicator(0, Qt::DescendingOrder);  // as a second click on Name
            if (clicks == 2) header->setSortIndicator(1, Qt::AscendingOrder);
            QCOMPARE(listed(browser), order);
            QCOMPARE(browser.doc->CurrentFile(), QString("a2.iff"));  // the selection stays with its file
        }
        Browser again(mSims);
        QVERIFY(again.SelectFolder(folder));
        QCOMPARE(listed(again), order);
    }

    // Small icons: one row of text per item beside its icon, no two items overlapping
    // (also run at 150% scaling).
    void smallIconsStandSideBySide() {
        const QString folder = mSandbox->MakeFolder("sims/Many");
        for (int i = 0; i < 24; ++i) mSandbox->MakeFile(folder, QString("Jukmisael+Sofa_%1.iff").arg(i));
        const QString longName =
            mSandbox->MakeFile(folder, "Jukmisael+Sofa_1_MarbleKitchenCounter_Corner_Variant_Long.iff");
        Browser browser(mSims);
        browser.frame->resize(900, 700);
        browser.frame->show();
        QVERIFY(browser.SelectFolder(folder));
        browser.frame->StyleAction(1)->trigger();
        QListView* icons = browser.List()->IconView();
        QCoreApplication::processEvents();
        // Long names are read to the end: the Name column fits them, what must go goes from the middle.
        QTreeView* report = browser.List()->ReportView();
        QVERIFY(report->columnWidth(0) > report->fontMetrics().horizontalAdvance(QFileInfo(longName).fileName()));
        QCOMPARE(report->textElideMode(), Qt::ElideMiddle);
        QCOMPARE(icons->textElideMode(), Qt::ElideMiddle);
        const int line = icons->fontMetrics().height();
        QList<QRect> rects;
        for (int row = 0; row < 24; ++row) rects << icons->visualRect(browser.List()->Model()->index(row, 0));
        for (int i = 0; i < rects.size(); ++i) {
            QVERIFY2(rects[i].height() < 2 * line, qPrintable(QString::number(rects[i].height())));
            QVERIFY(rects[i].width() > rects[i].height() * 3);  // icon and name side by side
            for (int j = i + 1; j < rects.size(); ++j) QVERIFY(!rects[i].intersects(rects[j]));
        }
        QCOMPARE(rects[0].top(), rects[1].top());  // rows, not one column
    }

    // The list follows the disk (a file added, the shown file rewritten) and F5, with
    // the selection kept; a catalog completion's write shows in its row at once.
    void listFollowsTheDiskKeepingTheSelection() {
        int open = 0;
        InstallFakeOpeners(chair(), &open);
        const QString folder = mSandbox->MakeFolder("sims/Objects");
        mSandbox->MakeFile(folder, "a.iff");
        mSandbox->MakeFile(folder, "b.iff", 10);
        Browser browser(mSims);
        QVERIFY(browser.SelectFolder(folder));
        browser.SelectFile("b.iff");
        const int opened = open;
        mSandbox->MakeFile(folder, "0.iff");
        QTRY_COMPARE(browser.List()->RowCount(), 3);
        QCOMPARE(browser.doc->CurrentFile(), QString("b.iff"));
        QCOMPARE(open, opened);  // not opened again: it did not change
        mSandbox->MakeFile(mSandbox->MakeFolder("sims/Objects/New"), "n.iff");
        browser.frame->RefreshAction()->trigger();
        QVERIFY(browser.Tree()->ItemForPath(folder + "/New"));
        QCOMPARE(browser.doc->CurrentFile(), QString("b.iff"));
        // As a catalog completion would: the file grows while it is being shown.
        Openers().openFile = [&](const QString& path) -> std::unique_ptr<ViewedFile> {
            QFile file(path);
            if (file.open(QIODevice::Append)) file.write(QByteArray(3000, 'x'));
            return std::make_unique<FakeViewedFile>(tambrix::GameFileKind::kObject, chair());
        };
        browser.SelectFile("a.iff");
        QCOMPARE(browser.List()->TextAt(browser.List()->CurrentRow(), 1), QString("2KB"));
    }

    // Open Folder and a dropped file browse another folder for this run only.
    void openFolderBrowsesWithoutSavingIt() {
        const QString other = mSandbox->MakeFolder("downloads");
        mSandbox->MakeFile(other, "a.iff");
        mSandbox->MakeFile(other, "b.flr");
        StoreSetting("SimsPath", mSims);
        {
            Browser browser(mSims);
            mSandbox->browseAnswer = other;
            browser.frame->OpenFolderAction()->trigger();
            QCOMPARE(browser.doc->CurrentFolder(), other);
            QCOMPARE(browser.List()->RowCount(), 2);
            QMimeData data;
            data.setUrls({QUrl::fromLocalFile(other + "/b.flr")});
            QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(browser.frame.get(), &enter);
            QVERIFY(enter.isAccepted());
            QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(browser.frame.get(), &drop);
            QCOMPARE(browser.doc->CurrentFile(), QString("b.flr"));
            QVERIFY(!browser.frame->BrowsePath(other + "/missing"));
            QCOMPARE(browser.frame->statusBar()->currentMessage(),
                     QString("\"%1\" was not found").arg(QDir::toNativeSeparators(other + "/missing")));
        }
        QCOMPARE(StoredSetting("SimsPath").toString(), mSims);
    }

    // With "Save Window Positions on Close" on, the next start has the same window;
    // with it off, the stored places are not used.
    void windowPositionsComeBack_data() {
        QTest::addColumn<bool>("saved");
        QTest::newRow("on") << true;
        QTest::newRow("off") << false;
    }
    void windowPositionsComeBack() {
        QFETCH(bool, saved);
        QList<int> sizes;
        {
            Browser browser(mSims);
            browser.doc->SetSaveWindowPositions(saved);
            browser.frame->setGeometry(40, 50, 640, 480);
            browser.frame->show();
            browser.frame->OuterSplitter()->setSizes({150, 490});
            sizes = browser.frame->OuterSplitter()->sizes();
            browser.frame->close();
        }
        Browser again(mSims);
        again.frame->show();
        QCOMPARE(again.frame->size() == QSize(640, 480), saved);
        if (saved) QCOMPARE(again.frame->OuterSplitter()->sizes(), sizes);
    }

private:
    std::unique_ptr<Sandbox> mSandbox;
    QString mSims;
};

QTEST_MAIN(FrameTest)
#include "FrameTest.moc"
