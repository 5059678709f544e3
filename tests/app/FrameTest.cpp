// The browser's panes on a stand-in library whose pictures tell by their size what they show:
// the frame's commands, the tree, the list's files and order, following the disk, the form.

#include <QtTest>
#include <QtWidgets>
#include <memory>
#include <optional>

#include "app/shell/CHelpWnd.h"
#include "app/shell/CSettingsDlg.h"
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

FakeContent chair(bool drawn = true) {
    FakeContent content{.inputs = {}, .previewDrawn = drawn, .previewSize = QSize(45, 60)};
    content.inputs.objects = {{"Chair", "120", "Sit on it."}};
    return content;
}

FakeContent wall(bool texts = true) {
    FakeContent content{
        .inputs = {.objects = {}, .tableZero = {}, .sprites = {{100, 4}, {101, 4}, {102, 3}, {103, 5}}}};
    if (texts) content.inputs.tableZero = tambrix::ViewTexts{"Brick", "5", "A red wall."};
    return content;
}

}  // namespace

Q_DECLARE_METATYPE(std::optional<FakeContent>)

class FrameTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        mSandbox = std::make_unique<Sandbox>();
        mSims = mSandbox->MakeFolder("sims");
        mFolder = mSandbox->MakeFolder("sims/Data");
        mExports = mSandbox->MakeFolder("exports");
    }
    void cleanup() { mSandbox.reset(); }

    void frameTakesMostOfTheScreenCentred() {
        QCOMPARE(CMainFrame::InitialGeometry(QRect(0, 0, 1024, 768)), QRect(77, 77, 870, 614));
        // Truncated, not rounded: 85% of 1366 is 1161.1, 80% of 767 is 613.6.
        QCOMPARE(CMainFrame::InitialGeometry(QRect(0, 0, 1366, 767)), QRect(102, 77, 1161, 613));
        QCOMPARE(CMainFrame::InitialGeometry(QRect(1920, 0, 1000, 1000)), QRect(1995, 100, 850, 800));
    }

    // Under "The Sims" the folders in the file system's own order, each once; a link back
    // to an ancestor is listed, not entered; selecting the root lists its own files.
    void treeListsTheFoldersOnceAndTheRootItsFiles() {
        const QString sims = mSandbox->MakeFolder("tree");
        for (const char* name : {"Zeta", "alpha", "Mid", "alpha/Inner", "alpha/Inner/Deep"})
            mSandbox->MakeFolder(QString("tree/") + name);
        QVERIFY(QFile::link(sims + "/alpha", sims + "/alpha/Inner/up"));
        mSandbox->MakeFile(sims, "w.wll");
        mSandbox->MakeFile(sims + "/Mid", "inner.wll");
        Browser browser(sims);
        QTreeWidgetItem* root = browser.Tree()->topLevelItem(0);
        QCOMPARE(root->text(0), QString("The Sims"));
        QStringList expected, shown;
        QDirIterator it(sims, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
        while (it.hasNext()) expected << QFileInfo(it.next()).fileName();
        for (int i = 0; i < root->childCount(); ++i) shown << root->child(i)->text(0);
        QCOMPARE(shown, expected);
        QCOMPARE(browser.Tree()->Paths().size(), 6);
        QCOMPARE(browser.Tree()->ItemForPath(sims + "/alpha/Inner/Deep")->parent()->text(0), QString("Inner"));
        QCOMPARE(browser.Tree()->ItemForPath(sims + "/alpha/Inner/up")->childCount(), 0);
        QVERIFY(browser.SelectFolder(sims + "/Mid"));
        browser.Tree()->setCurrentItem(root);
        QCOMPARE(browser.doc->CurrentFolder(), sims);
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

    // The Settings dialog shows the settings and takes the edits on OK (Browse fills
    // its edit); another game folder rebuilds the tree at once.
    void settingsDialogChangesTheGameFolderAndRebuildsTheTree() {
        mSandbox->MakeFolder("sims/Old");
        const QString other = mSandbox->MakeFolder("other");
        mSandbox->MakeFolder("other/New");
        mSandbox->MakeFile(other, "n.flr");
        Browser browser(mSims);
        browser.doc->SetPromptOnSave(false);
        QVERIFY(browser.SelectFolder(mSims + "/Old"));
        CSettingsDlg dialog(browser.doc.get());
        QVERIFY(!dialog.PromptOnSaveCheck()->isChecked() && dialog.ShowSplashCheck()->isChecked());
        QCOMPARE(dialog.CompleteCatalogsCheck()->text(), QString("Complete incomplete catalog tables when viewing"));
        QVERIFY(dialog.CompleteCatalogsCheck()->isChecked());  // on unless turned off
        QCOMPARE(dialog.SimsPathEdit()->text(), mSims);
        mSandbox->browseAnswer = other;
        dialog.BrowseSimsButton()->click();
        for (QCheckBox* check :
             {dialog.PromptOnSaveCheck(), dialog.ShowSplashCheck(), dialog.SaveWindowPositionsCheck(),
              dialog.CompleteCatalogsCheck()})
            check->toggle();
        dialog.accept();
        QVERIFY(browser.doc->PromptOnSave() && !browser.doc->ShowSplashScreen() && !browser.doc->SaveWindowPositions());
        QVERIFY(!browser.doc->CompleteCatalogs());
        browser.doc->SaveSettings();
        QCOMPARE(StoredSetting(settings::kCompleteCatalogs).toInt(), 0);
        QVERIFY(!CTambrixDoc().CompleteCatalogs());
        QVERIFY(!browser.Tree()->ItemForPath(mSims + "/Old"));
        QVERIFY(browser.Tree()->ItemForPath(other + "/New"));
        QCOMPARE(browser.doc->CurrentFolder(), other);
        QCOMPARE(listed(browser), QStringList{"n.flr"});
    }

    // Settings lists every install found with where it was found; a click puts its folder in
    // the edit, and a cancelled browse leaves either edit as it was.
    void settingsDialogListsTheInstallsFound() {
        const QString steam = mSandbox->MakeFolder(".local/share/Steam/steamapps/common/The Sims Legacy Collection");
        const QString maxis = mSandbox->MakeFolder("wine/drive_c/Program Files/Maxis/The Sims");
        mSandbox->MakeFolder("wine/drive_c/Program Files/EA Games/The Sims Legacy");  // no GameData: no install
        for (const QString& install : {steam, maxis}) QDir(install).mkdir("GameData");
        {
            Browser browser(mSims);
            browser.doc->SetExportPath("/exports");
            CSettingsDlg dialog(browser.doc.get());
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            QListWidget* list = dialog.InstallList();
            QCOMPARE(ItemTexts(list),
                     (QStringList{steam + "  (Steam library)",
                                  maxis + "  (Maxis folder in Wine prefix " + mSandbox->WinePrefix() + ")"}));
            mSandbox->browseAnswer.reset();
            dialog.BrowseSimsButton()->click();
            dialog.BrowseExportButton()->click();
            QCOMPARE(mSandbox->browseTitles.size(), 2);
            QCOMPARE(dialog.SimsPathEdit()->text() + dialog.ExportPathEdit()->text(), mSims + "/exports");
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
            QCOMPARE(dialog.SimsPathEdit()->text(), maxis);
            list->setCurrentRow(0);  // moving through the list picks nothing
            QCOMPARE(dialog.SimsPathEdit()->text(), maxis);
            dialog.accept();
            QCOMPARE(browser.doc->SimsPath(), maxis);
        }
        QDir(steam).rmdir("GameData");
        QDir(maxis).rmdir("GameData");
        Browser none(mSims);
        CSettingsDlg empty(none.doc.get());
        empty.show();
        QVERIFY(QTest::qWaitForWindowExposed(&empty));
        QCOMPARE(ItemTexts(empty.InstallList()), QStringList{"No install of The Sims was found on this computer."});
        QTest::mouseClick(empty.InstallList()->viewport(), Qt::LeftButton, {},
                          empty.InstallList()->visualItemRect(empty.InstallList()->item(0)).center());
        QCOMPARE(empty.SimsPathEdit()->text(), mSims);
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
        QVERIFY(browser.List()->currentWidget() == icons && !browser.frame->StyleAction(0)->isChecked());
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
        mSandbox->MakeFolder("sims/Data/Deep");
        Browser browser(mSims);
        QVERIFY(browser.SelectFolder(folder));
        browser.SelectFile("b.iff");
        const int opened = open;
        mSandbox->MakeFile(folder, "0.iff");
        QTRY_COMPARE(browser.List()->RowCount(), 3);
        QCOMPARE(browser.doc->CurrentFile(), QString("b.iff"));
        QCOMPARE(open, opened);  // not opened again: it did not change
        mSandbox->MakeFile(mSandbox->MakeFolder("sims/Objects/New"), "n.iff");
        browser.Tree()->ItemForPath(mFolder)->setExpanded(true);
        browser.Tree()->ItemForPath(mFolder)->parent()->setExpanded(true);
        browser.frame->RefreshAction()->trigger();
        QVERIFY(browser.Tree()->ItemForPath(folder + "/New"));
        QCOMPARE(browser.doc->CurrentFile(), QString("b.iff"));
        // F5 keeps the folders the user opened open, and only those.
        QVERIFY(browser.Tree()->ItemForPath(mFolder)->isExpanded());
        QVERIFY(browser.Tree()->ItemForPath(mFolder)->parent()->isExpanded());
        QVERIFY(!browser.Tree()->ItemForPath(folder)->isExpanded());
        QCOMPARE(browser.Tree()->currentItem(), browser.Tree()->ItemForPath(folder));
        // As a catalog completion would: the file grows while it is being shown.
        Openers().openFile = [&](const QString& path, tambrix::GameFileAccess) -> std::unique_ptr<ViewedFile> {
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

    // A stored place is restored only when it fits a screen: a sliver of a window (as a
    // damaged store gave, 126 x 225 at 0,0) or one off every screen gives way to the
    // first place.
    void storedWindowPlaceMustFitAScreen_data() {
        QTest::addColumn<QRect>("window");
        QTest::addColumn<QList<QRect>>("screens");
        QTest::addColumn<bool>("fits");
        const QRect screen(0, 0, 1024, 768);
        const QRect right(1024, 0, 1920, 1080);
        QTest::newRow("sliver at the corner") << QRect(0, 0, 126, 225) << QList<QRect>{screen} << false;
        QTest::newRow("too low") << QRect(10, 10, 800, 200) << QList<QRect>{screen} << false;
        QTest::newRow("well inside") << QRect(40, 50, 640, 480) << QList<QRect>{screen} << true;
        QTest::newRow("the whole screen") << screen << QList<QRect>{screen} << true;
        QTest::newRow("smallest") << QRect(0, 0, 320, 240) << QList<QRect>{screen} << true;
        QTest::newRow("off the screen") << QRect(3000, 2000, 640, 480) << QList<QRect>{screen} << false;
        QTest::newRow("half off") << QRect(700, 100, 640, 480) << QList<QRect>{screen} << false;
        QTest::newRow("on the second screen") << QRect(1200, 100, 640, 480) << QList<QRect>{screen, right} << true;
        QTest::newRow("a screen gone") << QRect(1200, 100, 640, 480) << QList<QRect>{screen} << false;
        QTest::newRow("no screen") << QRect(40, 50, 640, 480) << QList<QRect>{} << false;
    }
    void storedWindowPlaceMustFitAScreen() {
        QFETCH(QRect, window);
        QFETCH(QList<QRect>, screens);
        QFETCH(bool, fits);
        QCOMPARE(CMainFrame::FitsAScreen(window, screens), fits);
    }
    void damagedStoredWindowPlaceIsPassedOver() {
        const QRect first = Browser(mSims).frame->geometry();
        {
            QMainWindow sliver;
            sliver.setGeometry(0, 0, 126, 225);
            StoreSetting(settings::kWindowGeometry, sliver.saveGeometry());
        }
        Browser browser(mSims);
        QCOMPARE(browser.frame->geometry(), first);
        browser.frame->show();
        QVERIFY(browser.frame->width() >= CMainFrame::kMinimumWidth);
    }

    // From view 10 the steps visit all twelve views (a fake preview is wider by the view
    // less 10); a zoom past far is refused; the view stays for the next file, and Save
    // writes the view shown. By the buttons and by the keys.
    void viewStepsWalkEveryViewAndSaveWritesTheOneShown_data() {
        QTest::addColumn<bool>("keys");
        QTest::newRow("buttons") << false;
        QTest::newRow("keys") << true;
    }
    void viewStepsWalkEveryViewAndSaveWritesTheOneShown() {
        QFETCH(bool, keys);
        using art::ViewStep;
        const std::pair<ViewStep, int> walk[] = {
            {ViewStep::RotateRight, 11}, {ViewStep::RotateRight, 8}, {ViewStep::RotateRight, 9}, {ViewStep::ZoomOut, 5},
            {ViewStep::RotateLeft, 4},   {ViewStep::RotateLeft, 7},  {ViewStep::RotateLeft, 6},  {ViewStep::ZoomOut, 2},
            {ViewStep::RotateRight, 3},  {ViewStep::RotateRight, 0}, {ViewStep::RotateRight, 1}, {ViewStep::ZoomOut, 1},
            {ViewStep::ZoomIn, 5}};
        const Qt::Key stepKeys[] = {Qt::Key_Left, Qt::Key_Right, Qt::Key_Minus, Qt::Key_Plus};
        InstallFakeOpeners(chair());
        mSandbox->MakeFile(mFolder, "a.iff");
        mSandbox->MakeFile(mFolder, "b.iff");
        auto browser = open(false);
        CObjectView* form = browser->Form();
        QCOMPARE(form->ViewLabel()->text(), QString("10 (near, rotation 2)"));
        QVERIFY(!form->StepButton(ViewStep::ZoomIn)->isEnabled());
        for (const auto& [step, view] : walk) {
            if (keys)
                QTest::keyClick(form, stepKeys[static_cast<int>(step)]);
            else if (form->StepButton(step)->isEnabled())
                form->StepButton(step)->click();
            QCOMPARE(form->CurrentPicture()->Image().width(), 45 + view - 10);
        }
        QCOMPARE(form->ViewLabel()->text(), QString("5 (medium, rotation 1)"));
        browser->SelectFile("b.iff");
        browser->frame->SaveAction()->trigger();
        QCOMPARE(QImage(mExports + "/b.bmp").size(), QSize(40, 60));
    }

    // The status bar tells about the file highlighted, whichever style the list has and
    // whether the mouse or the keys moved the highlight.
    void statusFollowsTheHighlightInEveryStyle() {
        InstallFakeOpeners(chair());
        mSandbox->MakeFile(mFolder, "a.iff", 10);
        mSandbox->MakeFile(mFolder, "b.iff", 20);
        mSandbox->MakeFile(mFolder, "c.iff", 30);
        auto browser = open(false);
        browser->frame->show();
        QVERIFY(QTest::qWaitForWindowActive(browser->frame.get()));
        for (int style = 0; style < 4; ++style) {
            browser->frame->StyleAction(style)->trigger();
            browser->SelectFile("a.iff");
            QWidget* list = browser->List()->currentWidget();
            list->setFocus();
            QTest::keyClick(list, style == 3 || style == 2 ? Qt::Key_Down : Qt::Key_Right);
            const QString moved = browser->doc->CurrentFile();
            QVERIFY2(moved != "a.iff", qPrintable(QString::number(style)));
            QVERIFY2(browser->frame->FileStatus()->text().contains(moved == "b.iff" ? "20 bytes" : "30 bytes"),
                     qPrintable(browser->frame->FileStatus()->text()));
            if (style > 2) continue;
            auto* view = static_cast<QAbstractItemView*>(list);
            const QModelIndex c = view->model()->index(2, 0);
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(c).center());
            QCOMPARE(browser->doc->CurrentFile(), QString("c.iff"));
            QVERIFY2(browser->frame->FileStatus()->text().contains("30 bytes"),
                     qPrintable(browser->frame->FileStatus()->text()));
        }
    }

    // F1 opens the guide shipped inside the program, with a section for each pane.
    void helpShowsTheGuide() {
        Browser browser(mSims);
        browser.frame->HelpAction()->trigger();
        CHelpWnd* help = browser.frame->HelpWindow();
        QVERIFY(help && help->isVisible());
        const QString text = help->Page()->toPlainText();
        for (const char* part : {"The folder tree", "Views and zoom", "Ctrl+Left", "Search", "What Tambrix writes"})
            QVERIFY2(text.contains(part), part);
        browser.frame->HelpAction()->trigger();  // brought forward, not opened twice
        QCOMPARE(browser.frame->findChildren<CHelpWnd*>().size(), 1);
    }

    // The picture zooms by whole steps (pixels repeated) and keeps its zoom for the next
    // file; the view commands work wherever the focus is.
    void pictureZoomsAndViewKeysWorkAnywhere() {
        InstallFakeOpeners(chair());
        mSandbox->MakeFile(mFolder, "a.iff");
        mSandbox->MakeFile(mFolder, "b.iff");
        auto browser = open(false);
        CObjectView* form = browser->Form();
        const QSize image = form->CurrentPicture()->Image().size();
        const int padding = 2 * PictureFrame::kInset;
        QCOMPARE(form->Frame()->size(), image + QSize(padding, padding));
        browser->frame->show();
        QVERIFY(QTest::qWaitForWindowActive(browser->frame.get()));
        browser->List()->currentWidget()->setFocus();
        QTest::keyClick(browser->List()->currentWidget(), Qt::Key_4, Qt::ControlModifier);
        QCOMPARE(form->Zoom(), PictureZoom::kQuadruple);
        QCOMPARE(form->Frame()->size(), image * 4 + QSize(padding, padding));
        // Enlarged pixel by pixel: each source pixel is a 4 x 4 block of one colour.
        const QImage drawn = form->Frame()->grab().toImage();
        const QPoint at(PictureFrame::kInset + 4 * (image.width() / 2), PictureFrame::kInset + 4 * (image.height() / 2));
        for (int dy = 0; dy < 4; ++dy)
            for (int dx = 0; dx < 4; ++dx) QCOMPARE(drawn.pixel(at + QPoint(dx, dy)), drawn.pixel(at));
        browser->SelectFile("b.iff");
        QCOMPARE(form->Frame()->Scale(), 4.0);
        QWheelEvent down(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::ControlModifier,
                         Qt::NoScrollPhase, false);
        QApplication::sendEvent(form, &down);
        QCOMPARE(form->Zoom(), PictureZoom::kDouble);
        // Fit enlarges a small picture by whole steps into the room beside the texts.
        form->SetZoom(PictureZoom::kFit);
        const double fit = form->Frame()->Scale();
        QVERIFY(fit >= 2.0 && fit == std::floor(fit));
        QVERIFY(form->Frame()->geometry().right() <= form->width());
        // Turning with the focus in the file list.
        const int view = form->View();
        QTest::keyClick(browser->List()->currentWidget(), Qt::Key_Right, Qt::ControlModifier);
        QVERIFY(form->View() != view);
        QTest::keyClick(browser->List()->currentWidget(), Qt::Key_Left, Qt::ControlModifier);
        QCOMPARE(form->View(), view);
    }

    // Sprites and frames are chosen by their index: a wall keeps them for the next wall
    // (up to the third sprite); a frame the sprite lacks shows nothing.
    void wallsKeepTheirSpriteAndFrameByIndex() {
        InstallFakeOpeners(wall());
        mSandbox->MakeFile(mFolder, "brick.wll");
        mSandbox->MakeFile(mFolder, "stone.wll");
        auto browser = open(true);
        CObjectView* form = browser->Form();
        QCOMPARE(ItemTexts(form->SpriteList()), (QStringList{"Far", "Medium", "Near", ""}));
        QCOMPARE(form->SpriteList()->currentRow(), 2);  // shown afresh: the near sprite
        QCOMPARE(form->NameEdit()->text(), QString("Brick"));
        form->SpriteList()->setCurrentRow(1);
        form->FrameList()->setCurrentRow(2);
        QCOMPARE(form->CurrentPicture()->Image().size(), QSize(11, 12));
        browser->SelectFile("stone.wll");
        QCOMPARE(form->CurrentPicture()->Image().size(), QSize(11, 12));
        form->SpriteList()->setCurrentRow(3);
        form->FrameList()->setCurrentRow(4);
        browser->SelectFile("brick.wll");
        QCOMPARE(form->SpriteList()->currentRow(), 2);
        QCOMPARE(form->FrameList()->currentRow(), -1);  // the near sprite has no frame 4
        QVERIFY(!form->CurrentPicture());
        QVERIFY(form->Frame()->isHidden());
    }

    // Nothing of the file before stays on show (Save would write it under the new name).
    void nextFileReplacesEverythingOfThePrevious_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<std::optional<FakeContent>>("next");
        QTest::newRow("cannot be opened") << "b.iff" << std::optional<FakeContent>();
        QTest::newRow("wall without strings") << "b.wll" << std::optional<FakeContent>(wall(false));
        QTest::newRow("nothing at all") << "b.iff" << std::optional<FakeContent>(FakeContent());
        QTest::newRow("object without preview") << "b.iff" << std::optional<FakeContent>(chair(false));
    }
    void nextFileReplacesEverythingOfThePrevious() {
        QFETCH(QString, name);
        QFETCH(std::optional<FakeContent>, next);
        InstallFakeOpeners(chair());
        mSandbox->MakeFile(mFolder, "a.iff");
        mSandbox->MakeFile(mFolder, name);
        auto browser = open(false);
        InstallFakeOpeners(next);
        browser->SelectFile(name);
        CObjectView* form = browser->Form();
        QCOMPARE(!form->NameEdit()->isHidden(), next.has_value());
        const bool chairAgain = next && !next->inputs.objects.empty();
        if (next) QCOMPARE(form->NameEdit()->text() + form->PriceEdit()->text(), QString(chairAgain ? "Chair120" : ""));
        QCOMPARE(form->CurrentPicture() != nullptr, next && !next->inputs.sprites.empty());
        // A file that does not open says why where its picture would be.
        QCOMPARE(!form->Frame()->Note().isEmpty(), !next.has_value());
        QCOMPARE(form->Frame()->isHidden(), !form->CurrentPicture() && form->Frame()->Note().isEmpty());
        browser->frame->SavePreview();
        QCOMPARE(QFile::exists(mExports + "/b.bmp"), form->CurrentPicture() != nullptr);
    }

    // Save: into the export folder without a question (an earlier file of the name stays
    // and the picture takes a free name), with a question that offers the export folder
    // (the dialog itself asks before overwriting), or asking for want of an export folder.
    void saveWritesThePicture_data() {
        QTest::addColumn<bool>("prompt");
        QTest::addColumn<QString>("exports");
        QTest::addColumn<QStringList>("offered");
        QTest::addColumn<QString>("written");
        QTest::newRow("no prompt") << false << "exports" << QStringList() << "%1/my.chair (2).bmp";
        QTest::newRow("prompt") << true << "exports" << QStringList{"%1/my.chair.bmp"} << "%2/chosen.bmp";
        QTest::newRow("no export folder") << false << "" << QStringList{"my.chair.bmp"} << "%2/chosen.bmp";
    }
    void saveWritesThePicture() {
        QFETCH(bool, prompt);
        QFETCH(QString, exports);
        QFETCH(QStringList, offered);
        QFETCH(QString, written);
        InstallFakeOpeners(chair());
        mSandbox->MakeFile(mFolder, "my.chair.iff");
        Browser browser(mSims);
        browser.doc->SetPromptOnSave(prompt);
        browser.doc->SetExportPath(exports.isEmpty() ? QString() : mExports);
        QVERIFY(browser.SelectFolder(mFolder));
        const QString earlier = offered.isEmpty() ? mExports + "/my.chair.bmp" : mSandbox->Root() + "/chosen.bmp";
        QFile(earlier).open(QIODevice::WriteOnly);
        written.replace("%1", mExports).replace("%2", mSandbox->Root());
        mSandbox->saveAnswer = earlier;
        browser.frame->SaveAction()->trigger();
        QCOMPARE(mSandbox->saveDefaults, offered.replaceInStrings("%1", mExports));
        QCOMPARE(QImage(written).size(), QSize(45, 60));
        QCOMPARE(QFileInfo(earlier).size(), written == earlier ? QFileInfo(written).size() : 0);
        QCOMPARE(browser.frame->statusBar()->currentMessage(), QString("Bitmap saved to \"%1\"").arg(written));
        QFile::remove(written);
        mSandbox->saveAnswer.reset();  // cancelled: nothing is written
        browser.frame->SaveAction()->trigger();
        QCOMPARE(QFile::exists(written), offered.isEmpty());
    }

    // Delete asks first and moves on to the next file; a file's own read-only mark does not
    // stop it (its folder decides, as on the desktop).
    void deleteAsksAndRemoves_data() {
        QTest::addColumn<bool>("yes");
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QStringList>("left");
        QTest::newRow("yes") << true << false << QStringList() << QStringList{"b.iff"};
        QTest::newRow("no") << false << false << QStringList() << QStringList{"a.iff", "b.iff"};
        QTest::newRow("read-only file") << true << true << QStringList() << QStringList{"b.iff"};
    }
    void deleteAsksAndRemoves() {
        QFETCH(bool, yes);
        QFETCH(bool, readOnly);
        QFETCH(QStringList, messages);
        QFETCH(QStringList, left);
        int openFiles = 0;
        InstallFakeOpeners(chair(), &openFiles);
        const QString first = mSandbox->MakeFile(mFolder, "a.iff");
        mSandbox->MakeFile(mFolder, "b.iff");
        if (readOnly) QFile::setPermissions(first, QFileDevice::ReadOwner);
        auto browser = open(true);
        mSandbox->answerYes = yes;
        browser->frame->DeleteAction()->trigger();
        QFile::setPermissions(first, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QCOMPARE(mSandbox->questions, QStringList{"Are you sure you want to delete the file\n\"a.iff\"?"});
        QCOMPARE(mSandbox->messages, messages);
        QCOMPARE(QFile::exists(first), left.size() == 2);  // and the list shows what is left
        QCOMPARE(browser->List()->RowCount(), left.size());
        QCOMPARE(browser->doc->CurrentFile(), left.first());
        QCOMPARE(browser->Form()->NameEdit()->text(), QString("Chair"));
        QCOMPARE(openFiles, 1);
        if (left.size() > 1) return;
        browser->frame->OnDelete();  // the last file: everything empties
        QVERIFY(browser->doc->CurrentFile().isEmpty() && !browser->Form()->CurrentPicture());
        QVERIFY(!browser->frame->DeleteAction()->isEnabled());
    }

private:
    std::unique_ptr<Browser> open(bool prompt) {
        auto browser = std::make_unique<Browser>(mSims);
        browser->doc->SetPromptOnSave(prompt);
        browser->doc->SetExportPath(mExports);
        browser->SelectFolder(mFolder);
        browser->SelectFile("a.iff");
        return browser;
    }

    std::unique_ptr<Sandbox> mSandbox;
    QString mSims, mFolder, mExports;
};

QTEST_MAIN(FrameTest)
#include "FrameTest.moc"
