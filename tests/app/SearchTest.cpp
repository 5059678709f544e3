// The search box against a game folder that changes under it: results stand for paths, a
// result whose file is gone selects nothing, the index follows what the browser sees
// change, a damaged index is built again, and the tree leaves the search. The index is
// real (files written with the library's writers); the form shows stand-ins.

#include <QtTest>
#include <QtWidgets>
#include <algorithm>
#include <functional>
#include <memory>
#include <utility>

#include "app/search/CSearchPanel.h"
#include "app/search/GameSearch.h"
#include "catalog/ObjectSet.h"
#include "containers/IffResourceFile.h"
#include "core/ResourceTypes.h"
#include "index/GameIndex.h"
#include "support/AppTestSupport.h"
#include "support/Browser.h"
#include "support/FakeViewedFile.h"
#include "support/ResourceFixtures.h"

using namespace tambrix;
using namespace tambrix::app;
using namespace tambrix::app::testing;

namespace {

/// An object file whose one object has this catalog name.
bool writeObject(const QString& path, const std::string& name) {
    QFile::remove(path);
    const ObjectDefinition definition{.price = 10, .catalogId = 5};
    return test::WriteContainer<IffResourceFile>(
        QFile::encodeName(path).toStdString(),
        {{restype::kOBJD, 128, "", EncodeObjectDefinition(definition)},
         {restype::kCATS, 5, "", EncodeCatalogStrings(name, "")}});
}

FakeContent shown() {
    FakeContent content;
    content.inputs.objects = {{"Shown", "1", ""}};
    return content;
}

}  // namespace

class SearchTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        mSandbox = std::make_unique<Sandbox>();
        mSims = mSandbox->MakeFolder("sims");
        mDownloads = mSandbox->MakeFolder("sims/Downloads");
        mSandbox->MakeFolder("sims/Walls");
        for (const auto& [file, name] : {std::pair{"Downloads/AAA_NewChair.iff", "Folding Chair"},
                                         std::pair{"Downloads/ShowerTub.iff", "Shower Tub"},
                                         std::pair{"Downloads/Bookcase_Old.iff", "Old Bookcase"},
                                         std::pair{"Lamp.iff", "Desk Lamp"}})
            QVERIFY(writeObject(mSims + "/" + file, name));
        mSandbox->MakeFile(mSims + "/Walls", "Stone.wll");
        InstallFakeOpeners(shown());
        mBrowser = std::make_unique<Browser>(mSims);
        mPanel = mBrowser->frame->SearchPanel();
    }
    void cleanup() {
        mBrowser.reset();
        mSandbox.reset();
    }

    // Deleted and replaced by another program, F5 pressed, the stale result chosen before
    // the results caught up, then Delete: the result says the file is gone, no file is
    // current any more (neither the one shown before nor one the list would select),
    // Delete does nothing, and the results then show the new file and not the old.
    void staleResultSelectsNothingAndDeleteCannotActOnAnotherFile() {
        QVERIFY(mBrowser->SelectFolder(mDownloads));
        mBrowser->SelectFile("ShowerTub.iff");
        QCOMPARE(mBrowser->doc->CurrentFile(), QString("ShowerTub.iff"));
        search("newchair");
        const int stale = mPanel->RowOf("Downloads/AAA_NewChair.iff");
        QVERIFY(stale >= 0);

        QVERIFY(QFile::remove(mDownloads + "/AAA_NewChair.iff"));
        QVERIFY(writeObject(mDownloads + "/AAA_NewChair2.iff", "Rocking Chair"));
        mBrowser->frame->Refresh();
        QCOMPARE(mPanel->RowOf("Downloads/AAA_NewChair.iff"), stale);  // not filled again yet
        mPanel->SelectResult(stale);
        QCOMPARE(mBrowser->frame->statusBar()->currentMessage(), QString("this file is no longer there"));
        QCOMPARE(mBrowser->doc->CurrentFile(), QString());
        QCOMPARE(mBrowser->List()->CurrentRow(), -1);
        QVERIFY(!mBrowser->frame->DeleteAction()->isEnabled());
        QVERIFY(mPanel->ShowsResults());
        mBrowser->frame->OnDelete();
        QVERIFY(mSandbox->questions.isEmpty());
        for (const char* kept : {"ShowerTub.iff", "Bookcase_Old.iff", "AAA_NewChair2.iff"})
            QVERIFY2(QFileInfo::exists(mDownloads + "/" + kept), kept);

        QTRY_VERIFY(mPanel->RowOf("Downloads/AAA_NewChair2.iff") >= 0);
        QCOMPARE(mPanel->RowOf("Downloads/AAA_NewChair.iff"), -1);
        QVERIFY(!mPanel->Results()->currentIndex().isValid());
        // The new one is chosen as any other.
        mPanel->SelectResult(mPanel->RowOf("Downloads/AAA_NewChair2.iff"));
        QCOMPARE(mBrowser->doc->CurrentFilePath(), mDownloads + "/AAA_NewChair2.iff");
        QVERIFY(mBrowser->frame->DeleteAction()->isEnabled());
    }

    // A result filled again (the index changed) keeps its choice by path, wherever its
    // row went, and drops it when its file is no longer found.
    void resultsFilledAgainKeepTheirChoiceByPath() {
        search("chair bookcase shower");  // nothing: every word is needed
        QCOMPARE(mPanel->ResultModel()->rowCount(), 0);
        search("downloads");
        QCOMPARE(mPanel->ResultModel()->rowCount(), 3);
        mPanel->SelectResult(mPanel->RowOf("Downloads/ShowerTub.iff"));
        // A file that sorts first comes, and the index is told at once.
        QVERIFY(writeObject(mDownloads + "/AAA_Bench.iff", "Bench"));
        mPanel->FilesChanged({mDownloads});
        QTRY_COMPARE(mPanel->ResultModel()->rowCount(), 4);
        const QModelIndex current = mPanel->Results()->currentIndex();
        QVERIFY(current.isValid());
        QCOMPARE(current.row(), mPanel->RowOf("Downloads/ShowerTub.iff"));
        QVERIFY(QFile::remove(mDownloads + "/ShowerTub.iff"));
        mPanel->FilesChanged({mDownloads + "/ShowerTub.iff"});
        QTRY_COMPARE(mPanel->ResultModel()->rowCount(), 3);
        QVERIFY(!mPanel->Results()->currentIndex().isValid());
    }

    // Each way the browser learns of a change brings the index's rows up at once: the
    // list's watcher, F5, Delete, and the file shown (whose catalog the form may have
    // completed: here the stand-in opener rewrites the file the first time it opens it).
    void indexFollowsChanges_data() {
        QTest::addColumn<QString>("way");
        for (const char* way : {"watcher", "F5", "Delete", "shown"}) QTest::newRow(way) << QString(way);
    }
    void indexFollowsChanges() {
        QFETCH(QString, way);
        search("lamp");
        QVERIFY(mPanel->RowOf("Lamp.iff") >= 0);
        mPanel->LeaveResults();
        QVERIFY(mBrowser->SelectFolder(mDownloads));
        // Whether a text finds something; with a name, an object of that catalog name.
        const auto found = [&](const QString& text, const std::string& name = {}) {
            std::vector<IndexHit> hits;
            const QString failure = mPanel->Search()->Find(text, 10, hits);
            return failure.isEmpty() && std::any_of(hits.begin(), hits.end(), [&](const IndexHit& hit) {
                       return name.empty() || hit.name == name;
                   });
        };
        if (way == "watcher") {
            QVERIFY(writeObject(mDownloads + "/Stool.iff", "Tall Stool"));
            QTRY_VERIFY(found("tall stool"));
        } else if (way == "F5") {
            QVERIFY(writeObject(mDownloads + "/Stool.iff", "Tall Stool"));
            QVERIFY(QFile::remove(mDownloads + "/ShowerTub.iff"));
            mBrowser->frame->Refresh();
            QVERIFY(found("tall stool") && !found("showertub"));
        } else if (way == "Delete") {
            mBrowser->SelectFile("Bookcase_Old.iff");
            mBrowser->frame->OnDelete();
            QVERIFY(!QFileInfo::exists(mDownloads + "/Bookcase_Old.iff"));
            QVERIFY(!found("bookcase"));
        } else {
            auto done = std::make_shared<bool>(false);
            Openers().openFile = [done](const QString& path, tambrix::GameFileAccess) -> std::unique_ptr<ViewedFile> {
                if (path.endsWith("ShowerTub.iff") && !std::exchange(*done, true)) writeObject(path, "Corner Bath");
                return std::make_unique<FakeViewedFile>(GameFileKind::kObject, shown());
            };
            mBrowser->SelectFile("ShowerTub.iff");
            QTRY_VERIFY(found("corner bath", "Corner Bath"));
            QVERIFY(!found("shower", "Shower Tub"));
        }
        QVERIFY(found("lamp"));  // the rest stays
    }

    // Choosing a folder in the tree while results are shown leaves the search for the
    // folder, be it another folder or the one the chosen result lies in; choosing a
    // result does not.
    void folderChosenInTheTreeLeavesTheSearch_data() {
        QTest::addColumn<bool>("sameFolder");
        QTest::newRow("another folder") << false;
        QTest::newRow("the result's folder") << true;
    }
    void folderChosenInTheTreeLeavesTheSearch() {
        QFETCH(bool, sameFolder);
        search("bookcase");
        mPanel->SelectResult(mPanel->RowOf("Downloads/Bookcase_Old.iff"));
        QVERIFY(mPanel->ShowsResults());
        QCOMPARE(mBrowser->doc->CurrentFile(), QString("Bookcase_Old.iff"));
        QTreeWidgetItem* item = mBrowser->Tree()->ItemForPath(sameFolder ? mDownloads : mSims + "/Walls");
        const QRect place = mBrowser->Tree()->visualItemRect(item);
        mBrowser->frame->show();
        QTest::mouseClick(mBrowser->Tree()->viewport(), Qt::LeftButton, {}, place.center());
        QVERIFY(!mPanel->ShowsResults());
        QVERIFY(mPanel->Box()->text().isEmpty());
        QCOMPARE(mBrowser->doc->CurrentFolder(), sameFolder ? mDownloads : mSims + "/Walls");
        QCOMPARE(mBrowser->List()->FileAt(0), QString(sameFolder ? "AAA_NewChair.iff" : "Stone.wll"));
    }

    // The browser keeps its index where tambrix-cli find keeps it (the library decides,
    // from XDG_CACHE_HOME or HOME); a damaged one is built again and said so.
    void damagedIndexIsBuiltAgainAndSaidSo() {
        const QString database = GameSearch::DatabasePath(mSims);
        QCOMPARE(database, QFile::decodeName(DefaultIndexPath(QFile::encodeName(mSims).toStdString()).c_str()));
        QVERIFY(database.startsWith(mSandbox->CacheFolder() + "/tambrix/index-"));
        QVERIFY(QDir().mkpath(QFileInfo(database).path()));
        mSandbox->MakeFile(QFileInfo(database).path(), QFileInfo(database).fileName(), 0, "a damaged database");
        search("lamp");
        QVERIFY(mPanel->RowOf("Lamp.iff") >= 0);
        QCOMPARE(mBrowser->frame->statusBar()->currentMessage(),
                 QString("The search index was damaged and is being built again"));
        QVERIFY(mPanel->Note()->text().contains("found"));
    }

private:
    /// Types a text and waits for the first refresh and the results.
    void search(const QString& text) {
        mPanel->Box()->setFocus();
        mPanel->Box()->clear();
        QTest::keyClicks(mPanel->Box(), text);
        QTRY_VERIFY(mPanel->Search()->Refreshed() && !mPanel->Search()->Refreshing());
        mPanel->FindNow();
        QVERIFY(mPanel->ShowsResults());
    }

    std::unique_ptr<Sandbox> mSandbox;
    std::unique_ptr<Browser> mBrowser;
    CSearchPanel* mPanel = nullptr;
    QString mSims;
    QString mDownloads;
};

QTEST_MAIN(SearchTest)
#include "SearchTest.moc"
