// The search box on the demo folder, with the real index underneath: a word of a name,
// a description or a file name lists the object, on disk or inside the archive; a damaged
// file is listed in grey with its problem; choosing a result selects its folder and file;
// an emptied box brings the list back. The index lives in the (sandboxed) cache folder
// and no game file changes.

#include <QCryptographicHash>
#include <QDirIterator>
#include <QLabel>
#include <QLineEdit>
#include <QStandardItemModel>
#include <QtTest>
#include <memory>

#include "app/CSearchPanel.h"
#include "app/GameSearch.h"
#include "demo/DraftDemo.h"
#include "support/AppTestSupport.h"
#include "support/Browser.h"

using namespace tambrix::app;
using namespace tambrix::app::testing;

namespace {

/// Every file below a folder with a digest of its bytes.
QMap<QString, QByteArray> digests(const QString& root) {
    QMap<QString, QByteArray> all;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        if (file.open(QIODevice::ReadOnly))
            all[file.fileName()] = QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
    }
    return all;
}

}  // namespace

class SearchRoadTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY(mRoot.isValid());
        mDemo = mRoot.path() + "/demo";
        std::string error;
        QVERIFY2(WriteDraftDemo(mDemo, error) == 0, error.c_str());
        // Not a game file at all: the index must list it with its problem and go on.
        QFile broken(mDemo + "/Downloads/BrokenBench.iff");
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("IFF FILE 2.5:TYPE FOLLOWED BY SIZE\0 JAMIE DOORNBOS & MAXIS 1", 60);
        broken.close();
        mBefore = digests(mDemo);
        mSandbox = std::make_unique<Sandbox>();
        mBrowser = std::make_unique<Browser>(mDemo);
        mPanel = mBrowser->frame->SearchPanel();
        QVERIFY(mPanel);
    }
    void cleanupTestCase() {
        mBrowser.reset();
        mSandbox.reset();
    }

    void typingFindsAndChoosingShowsTheFile_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("damaged");
        QTest::newRow("description word, loose file") << "dishes" << "GameData/Objects/ChairDining.iff" << false;
        QTest::newRow("description word, archive entry")
            << "breakfast" << "GameData/Objects/Objects.far/Chairs/ChairKitchen.iff" << false;
        QTest::newRow("name prefixes in any case, archive")
            << "CLUB armch" << "GameData/Objects/Objects.far/Chairs/ArmchairClub.iff" << false;
        QTest::newRow("file name") << "ArmchairPrototype" << "Downloads/ArmchairPrototype.IFF" << false;
        QTest::newRow("damaged file") << "brokenbench" << "Downloads/BrokenBench.iff" << true;
    }
    void typingFindsAndChoosingShowsTheFile() {
        QFETCH(QString, text);
        QFETCH(QString, file);
        QFETCH(bool, damaged);
        mPanel->Box()->clear();
        QTest::keyClicks(mPanel->Box(), text);
        QTRY_VERIFY(mPanel->Search()->Refreshed());
        QTRY_VERIFY(mPanel->ShowsResults());
        QStandardItemModel* model = mPanel->ResultModel();
        QTRY_VERIFY(!model->findItems(file, Qt::MatchExactly, CSearchPanel::kFileColumn).isEmpty());
        const QStandardItem* hit = model->findItems(file, Qt::MatchExactly, CSearchPanel::kFileColumn).front();
        QCOMPARE(hit->foreground().color() == QColor(Qt::gray), damaged);
        if (damaged) QVERIFY(!hit->toolTip().isEmpty());

        mPanel->SelectResult(hit->row());
        const QFileInfo path(mDemo + "/" + file);
        QCOMPARE(mBrowser->doc->CurrentFolder(), path.path());
        QCOMPARE(mBrowser->doc->CurrentFile(), path.fileName());
        QCOMPARE(mBrowser->List()->FileAt(mBrowser->List()->CurrentRow()), path.fileName());
        QCOMPARE(mBrowser->Tree()->currentItem(), mBrowser->Tree()->ItemForPath(path.path()));

        mPanel->Box()->clear();
        QVERIFY(!mPanel->ShowsResults());
        QCOMPARE(mBrowser->List()->FileAt(mBrowser->List()->CurrentRow()), path.fileName());
    }

    void indexIsKeptInTheCacheAndNoGameFileChanges() {
        const QString database = GameSearch::DatabasePath(mDemo);
        QVERIFY(database.startsWith(mSandbox->Root()));
        QVERIFY(QFileInfo::exists(database));
        // Another game folder: its own index, and nothing of the demo's found in it.
        const QString empty = mSandbox->MakeFolder("empty game");
        mBrowser->doc->SetSimsPath(empty);
        mPanel->Box()->setText("dishes");
        QTRY_VERIFY(mPanel->Search()->Refreshed());
        mPanel->FindNow();
        QCOMPARE(mPanel->Search()->Folder(), empty);
        QCOMPARE(mPanel->ResultModel()->rowCount(), 0);
        QCOMPARE(mPanel->Note()->text(), QString("Nothing found"));
        QVERIFY(QFileInfo::exists(GameSearch::DatabasePath(empty)));
        QVERIFY(GameSearch::DatabasePath(empty) != database);
        QCOMPARE(digests(mDemo), mBefore);
    }

private:
    QTemporaryDir mRoot;
    QString mDemo;
    QMap<QString, QByteArray> mBefore;
    std::unique_ptr<Sandbox> mSandbox;
    std::unique_ptr<Browser> mBrowser;
    CSearchPanel* mPanel = nullptr;
};

QTEST_MAIN(SearchRoadTest)
#include "SearchRoadTest.moc"
