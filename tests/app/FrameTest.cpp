// The frame, the folder tree and the file list: geometry, commands, the tree's
// order and the list's columns, and how a folder selection reaches the other panes.

#include <QAction>
#include <QDirIterator>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QTreeView>
#include <QtTest>
#include <memory>

#include <QHeaderView>
#include <QMimeData>
#include <QSplitter>
#include <QStandardItemModel>
#include <QUrl>

#include "app/CSettingsDlg.h"
#include "support/AppTestSupport.h"
#include "support/Browser.h"
#include "support/FakeViewedFile.h"

using namespace tambrix::app;
using namespace tambrix::app::testing;

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

    void frameCarriesItsCaptionMenusToolbarAndStatusBar() {
        Browser browser(mSims);
        QCOMPARE(browser.frame->windowTitle(), QString("Tambrix"));
        QStringList menus;
        for (QAction* menu : browser.frame->menuBar()->actions()) menus << menu->text();
        QCOMPARE(menus, (QStringList{"&File", "&View", "&Help"}));
        QCOMPARE(browser.frame->SaveAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
        QCOMPARE(browser.frame->DeleteAction()->shortcut(), QKeySequence(Qt::Key_Delete));
        QCOMPARE(browser.frame->SaveAction()->statusTip(), QString("Save"));
        QCOMPARE(browser.frame->SaveAction()->toolTip(), QString("Save the current preview to a bitmap file"));
        QCOMPARE(browser.frame->StyleAction(3)->statusTip(),
                 QString("Displays detailed information about each item in the window."));
        const QToolBar* bar = browser.frame->findChild<QToolBar*>();
        QVERIFY(bar);
        const QList<QAction*> buttons = bar->actions();
        QCOMPARE(buttons.size(), 10);
        QCOMPARE(buttons[0], browser.frame->DeleteAction());
        QCOMPARE(buttons[1], browser.frame->SaveAction());
        QVERIFY(buttons[2]->isSeparator());
        for (int i = 0; i < 4; ++i) QCOMPARE(buttons[3 + i], browser.frame->StyleAction(i));
        QVERIFY(buttons[7]->isSeparator());
        QCOMPARE(buttons[8], browser.frame->AboutAction());
        QCOMPARE(bar->iconSize(), QSize(16, 15));
    }

    void withoutCurrentFileDeleteAndSaveAreDisabled() {
        Browser browser(mSims);
        QVERIFY(!browser.frame->SaveAction()->isEnabled());
        QVERIFY(!browser.frame->DeleteAction()->isEnabled());
    }

    void viewStylesCarryOneRadioMarkAndArrangeOnlyForIcons() {
        Browser browser(mSims);
        CMainFrame* frame = browser.frame.get();
        QVERIFY(frame->StyleAction(3)->isChecked());  // details to start with
        QVERIFY(!frame->ArrangeAction()->isEnabled());
        frame->StyleAction(0)->trigger();
        QCOMPARE(int(browser.List()->Style()), int(CTambrixView::ViewStyle::Icon));
        QCOMPARE(browser.List()->currentWidget(), browser.List()->IconView());
        QVERIFY(frame->StyleAction(0)->isChecked());
        QVERIFY(!frame->StyleAction(3)->isChecked());
        QVERIFY(frame->ArrangeAction()->isEnabled());
        frame->StyleAction(1)->trigger();
        QVERIFY(frame->ArrangeAction()->isEnabled());
        frame->ArrangeAction()->trigger();
        frame->StyleAction(2)->trigger();
        QCOMPARE(browser.List()->IconView()->viewMode(), QListView::ListMode);
        QVERIFY(!frame->ArrangeAction()->isEnabled());
        frame->StyleAction(3)->trigger();
        QCOMPARE(browser.List()->currentWidget(), browser.List()->ReportView());
    }

    void treeListsFoldersInEnumerationOrderUnderTheRoot() {
        for (const char* name : {"Zeta", "alpha", "Mid", "alpha/Inner", "alpha/Inner/Deep", "Mid/Other"})
            mSandbox->MakeFolder(QString("sims/") + name);
        mSandbox->MakeFile(mSims + "/Mid", "only.iff");
        Browser browser(mSims);
        QTreeWidgetItem* root = browser.Tree()->topLevelItem(0);
        QCOMPARE(browser.Tree()->topLevelItemCount(), 1);
        QCOMPARE(root->text(0), QString("The Sims"));
        QVERIFY(root->isExpanded());
        // The file system's own order, whatever it is, not sorted.
        QStringList expected;
        QDirIterator it(mSims, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
        while (it.hasNext()) expected << QFileInfo(it.next()).fileName();
        QStringList shown;
        for (int i = 0; i < root->childCount(); ++i) shown << root->child(i)->text(0);
        QCOMPARE(shown, expected);
        // Item data k names path list entry k - 1; every path is listed once.
        QCOMPARE(browser.Tree()->Paths().size(), 6);
        QTreeWidgetItem* deep = browser.Tree()->ItemForPath(mSims + "/alpha/Inner/Deep");
        QVERIFY(deep);
        QCOMPARE(deep->parent()->text(0), QString("Inner"));
        QCOMPARE(deep->childCount(), 0);
        QCOMPARE(browser.Tree()->ItemForPath(mSims + "/Mid/Other")->childCount(), 0);
    }

    void hasSubdirectoryLooksForFoldersOnly() {
        const QString filesOnly = mSandbox->MakeFolder("sims/files");
        mSandbox->MakeFile(filesOnly, "a.iff");
        QVERIFY(!CFolderView::HasSubdirectory(filesOnly));
        mSandbox->MakeFolder("sims/files/sub");
        QVERIFY(CFolderView::HasSubdirectory(filesOnly));
        QVERIFY(CFolderView::HasSubdirectory(filesOnly + "/"));
        QVERIFY(!CFolderView::HasSubdirectory(mSims + "/missing"));
        QVERIFY(!CFolderView::HasSubdirectory(QString()));
    }

    void emptyOrMissingGameFolderGivesABareRoot() {
        for (const QString& path : {QString(), mSims + "/missing"}) {
            Browser browser(path);
            QCOMPARE(browser.Tree()->topLevelItemCount(), 1);
            QCOMPARE(browser.Tree()->topLevelItem(0)->childCount(), 0);
        }
    }

    void linkBackToAnAncestorDoesNotLoopForever() {
        const QString inner = mSandbox->MakeFolder("sims/a/b");
        QVERIFY(QFile::link(mSims + "/a", inner + "/up"));
        Browser browser(mSims);
        QTreeWidgetItem* up = browser.Tree()->ItemForPath(inner + "/up");
        QVERIFY(up);  // listed, not entered
        QCOMPARE(up->childCount(), 0);
    }

    void selectingAFolderFillsTheListAndPreviewsTheFirstFile() {
        int open = 0;
        FakeContent content;
        content.inputs.objects = {{"Chair", "120", "A chair"}};
        InstallFakeOpeners(content, &open);
        const QString folder = mSandbox->MakeFolder("sims/Objects");
        mSandbox->MakeFile(folder, "readme.txt");
        mSandbox->MakeFile(folder, "CHAIR.IFF", 1023);
        mSandbox->MakeFile(folder, "table.iff", 2048);
        mSandbox->MakeFile(folder, "notes.iff.bak");
        mSandbox->MakeFolder("sims/Objects/folder.iff");
        Browser browser(mSims);
        QVERIFY(browser.SelectFolder(folder));
        QCOMPARE(browser.doc->CurrentFolder(), folder);
        CTambrixView* list = browser.List();
        QCOMPARE(list->RowCount(), 2);
        QSet<QString> names;
        for (int row = 0; row < 2; ++row) {
            names << list->FileAt(row);
            const QString expectedSize = list->FileAt(row) == "CHAIR.IFF" ? "0KB" : "2KB";
            QCOMPARE(list->TextAt(row, 1), expectedSize);
            QVERIFY(!list->TextAt(row, 2).isEmpty());
        }
        QCOMPARE(names, (QSet<QString>{"CHAIR.IFF", "table.iff"}));
        QCOMPARE(list->CurrentRow(), 0);
        QCOMPARE(browser.doc->CurrentFile(), list->FileAt(0));
        QCOMPARE(browser.Form()->NameEdit()->text(), QString("Chair"));
        QVERIFY(browser.frame->SaveAction()->isEnabled());
        QVERIFY(browser.frame->DeleteAction()->isEnabled());
        QCOMPARE(open, 1);  // the file shown is the only one open
    }

    // A flat folder chosen as the game folder: its own files are listed from the root.
    void selectingTheRootListsTheGameFolderItself() {
        mSandbox->MakeFile(mSims, "w.wll");
        mSandbox->MakeFile(mSandbox->MakeFolder("sims/Walls"), "inner.wll");
        Browser browser(mSims);
        QVERIFY(browser.SelectFolder(mSims + "/Walls"));
        browser.Tree()->setCurrentItem(browser.Tree()->topLevelItem(0));
        QCOMPARE(browser.doc->CurrentFolder(), mSims);
        QCOMPARE(browser.List()->FileAt(0), QString("w.wll"));
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
        QCOMPARE(browser.List()->FileAt(0), QString("n.flr"));
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
        auto shown = [](const Browser& browser) {
            QStringList list;
            for (int row = 0; row < browser.List()->RowCount(); ++row) list << browser.List()->FileAt(row);
            return list;
        };
        {
            Browser browser(mSims);
            QVERIFY(browser.SelectFolder(folder));
            QHeaderView* header = browser.List()->ReportView()->header();
            if (clicks == 1) header->setSortIndicator(0, Qt::DescendingOrder);  // as a second click on Name
            if (clicks == 2) header->setSortIndicator(1, Qt::AscendingOrder);
            QCOMPARE(shown(browser), order);
            QCOMPARE(browser.doc->CurrentFile(), QString("a2.iff"));  // the selection stays with its file
        }
        Browser again(mSims);
        QVERIFY(again.SelectFolder(folder));
        QCOMPARE(shown(again), order);
    }

    // The names of a folder's own files are read to the end: the Name column fits
    // them, and what must go goes from the middle.
    void columnsFitTheirContents() {
        const QString folder = mSandbox->MakeFolder("sims/Long");
        const QString name = "Jukmisael+MarbleKitchenCounter_Corner_Variant_Long.iff";
        mSandbox->MakeFile(folder, name);
        Browser browser(mSims);
        QVERIFY(browser.SelectFolder(folder));
        QTreeView* report = browser.List()->ReportView();
        QVERIFY(report->columnWidth(0) > report->fontMetrics().horizontalAdvance(name));
        QCOMPARE(report->textElideMode(), Qt::ElideMiddle);
        QCOMPARE(browser.List()->IconView()->textElideMode(), Qt::ElideMiddle);
    }

    // Small icons: one row of text per item beside its icon, no two items overlapping
    // (also run at 150% scaling).
    void smallIconsStandSideBySide() {
        const QString folder = mSandbox->MakeFolder("sims/Many");
        for (int i = 0; i < 24; ++i) mSandbox->MakeFile(folder, QString("Jukmisael+Sofa_%1.iff").arg(i));
        mSandbox->MakeFile(folder, "Jukmisael+Sofa_1_MarbleKitchenCounter_Corner_Variant_Long.iff");
        Browser browser(mSims);
        browser.frame->resize(900, 700);
        browser.frame->show();
        QVERIFY(browser.SelectFolder(folder));
        browser.frame->StyleAction(1)->trigger();
        QListView* icons = browser.List()->IconView();
        QCoreApplication::processEvents();
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
        FakeContent content;
        content.inputs.objects = {{"Chair", "120", "A chair"}};
        InstallFakeOpeners(content, &open);
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
        // As a completion would: the file grows while it is being shown.
        Openers().openFile = [&](const QString& path) -> std::unique_ptr<ViewedFile> {
            QFile file(path);
            if (file.open(QIODevice::Append)) file.write(QByteArray(3000, 'x'));
            return std::make_unique<FakeViewedFile>(tambrix::GameFileKind::kObject, content);
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

    void folderWithoutListedFilesHidesTheFormAndDisablesCommands() {
        FakeContent content;
        content.inputs.objects = {{"Chair", "120", "A chair"}};
        InstallFakeOpeners(content);
        const QString objects = mSandbox->MakeFolder("sims/Objects");
        mSandbox->MakeFile(objects, "chair.iff");
        const QString empty = mSandbox->MakeFolder("sims/Empty");
        mSandbox->MakeFile(empty, "readme.txt");
        Browser browser(mSims);
        QVERIFY(browser.SelectFolder(objects));
        QVERIFY(!browser.Form()->NameEdit()->isHidden());
        QVERIFY(browser.Form()->CurrentPicture());
        QVERIFY(browser.SelectFolder(empty));
        QCOMPARE(browser.List()->RowCount(), 0);
        QVERIFY(browser.doc->CurrentFile().isEmpty());
        for (QWidget* control : browser.Form()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            QVERIFY2(control->isHidden(), qPrintable(control->metaObject()->className()));
        QVERIFY(!browser.Form()->CurrentPicture());
        QVERIFY(!browser.frame->SaveAction()->isEnabled());
        QVERIFY(!browser.frame->DeleteAction()->isEnabled());
    }

    void sizeAndDateTexts() {
        QCOMPARE(CTambrixView::SizeText(0), QString("0KB"));
        QCOMPARE(CTambrixView::SizeText(1023), QString("0KB"));
        QCOMPARE(CTambrixView::SizeText(1024), QString("1KB"));
        QCOMPARE(CTambrixView::SizeText(5LL * 1024 * 1024 * 1024), QString("5242880KB"));
        QVERIFY(!CTambrixView::DateText(0).isEmpty());
        QVERIFY(CTambrixView::IsListedFile("OBJECT.IFF"));
        QVERIFY(CTambrixView::IsListedFile("a.Spf"));
        QVERIFY(CTambrixView::IsListedFile("x.wll") && CTambrixView::IsListedFile("x.flr") &&
                CTambrixView::IsListedFile("x.BMP"));
        QVERIFY(!CTambrixView::IsListedFile("readme.txt"));
        QVERIFY(!CTambrixView::IsListedFile("iff"));
        QVERIFY(!CTambrixView::IsListedFile("chair.iffx"));
    }

private:
    std::unique_ptr<Sandbox> mSandbox;
    QString mSims;
};

QTEST_MAIN(FrameTest)
#include "FrameTest.moc"
