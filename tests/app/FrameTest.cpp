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

    void selectingTheRootChangesNothing() {
        const QString folder = mSandbox->MakeFolder("sims/Walls");
        mSandbox->MakeFile(folder, "w.wll");
        Browser browser(mSims);
        QVERIFY(browser.SelectFolder(folder));
        browser.Tree()->setCurrentItem(browser.Tree()->topLevelItem(0));
        QCOMPARE(browser.doc->CurrentFolder(), folder);
        QCOMPARE(browser.List()->RowCount(), 1);
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
