// Timings of the browser's heavy roads, for people to read (never asserted):
//   fillList      - the file list for a folder of 5,000 files
//   buildTree     - the folder tree of 2,000 folders, whole; the time the window waits
//                   for it is printed as well
//   selectPreview - from selecting an object file to its preview on show
//   thumbnails    - Large Icons over 200 copies of TAMBRIX_BENCH_OBJECT
//   gameList, gameTree - the same over the game folder named by TAMBRIX_BENCH_GAME (say
//                   the output of tambrix-cli demo --scale 5000): the list of its fullest
//                   folder, and its tree with its archives
// Run: QT_QPA_PLATFORM=offscreen build/bench/bench/app_benchmarks [-iterations N]. With
// TAMBRIX_BENCH_OBJECT set to an object file, selectPreview opens that file with the
// library; otherwise it measures the form's own work over a stand-in file.

#include <QElapsedTimer>
#include <QtTest>
#include <memory>

#include "app/browsing/CTambrixView.h"
#include "app/browsing/ThumbnailProvider.h"
#include "support/AppTestSupport.h"
#include "support/Browser.h"
#include "support/FakeViewedFile.h"

using namespace tambrix::app;
using namespace tambrix::app::testing;

namespace {

const int kListFiles = 5000;
const int kTreeFolders = 2000;
const int kThumbnailFiles = 200;
const int kTreeFanOut = 10;  // folders per folder: 10 + 100 + 1000 + 890
const int kBlockedRuns = 20;

// The tree built whole (asking for its paths waits for a walk in the background), and
// the time the window waits for OnInitialUpdate alone, printed.
void benchTree(CFolderView* tree) {
    QElapsedTimer timer;
    qint64 blocked = 0;
    for (int run = 0; run < kBlockedRuns; ++run) {
        timer.start();
        tree->OnInitialUpdate();
        blocked += timer.nsecsElapsed();
        tree->Paths();
    }
    qInfo("window waits %.3f ms per build", double(blocked) / kBlockedRuns / 1e6);
    QBENCHMARK {
        tree->OnInitialUpdate();
        tree->Paths();
    }
}

}  // namespace

class AppBench : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { mSandbox = std::make_unique<Sandbox>(); }
    void cleanupTestCase() { mSandbox.reset(); }

    void fillList() {
        const QString sims = mSandbox->MakeFolder("list");
        const QString folder = mSandbox->MakeFolder("list/Many");
        mSandbox->MakeFile(sims, "keep.txt");
        for (int i = 0; i < kListFiles; ++i) mSandbox->MakeFile(folder, QString("file%1.iff").arg(i), 100 + i);
        FakeContent content;
        content.inputs.objects = {tambrix::ViewTexts{}};
        InstallFakeOpeners(content);
        Browser browser(sims);
        QVERIFY(browser.SelectFolder(folder));
        QBENCHMARK { browser.List()->OnUpdate(nullptr); }
        QCOMPARE(browser.List()->RowCount(), kListFiles);
    }

    void buildTree() {
        const QString sims = mSandbox->MakeFolder("tree");
        QStringList level{sims};
        int made = 0;
        while (made < kTreeFolders) {
            QStringList next;
            for (const QString& parent : level)
                for (int i = 0; i < kTreeFanOut && made < kTreeFolders; ++i, ++made) {
                    next << parent + QString("/f%1").arg(i);
                    QDir().mkpath(next.last());
                }
            level = next;
        }
        Browser browser(sims);
        benchTree(browser.Tree());
        QCOMPARE(browser.Tree()->Paths().size(), kTreeFolders);
    }

    void gameList() {
        const QString game = qEnvironmentVariable("TAMBRIX_BENCH_GAME");
        if (game.isEmpty()) QSKIP("TAMBRIX_BENCH_GAME names no game folder");
        Browser browser(game);
        QString fullest;
        qsizetype most = -1;
        for (const QString& path : browser.Tree()->Paths()) {
            const qsizetype files = QDir(path).entryList(QDir::Files).size();
            if (files > most) std::tie(fullest, most) = std::tie(path, files);
        }
        QVERIFY(browser.SelectFolder(fullest));
        qInfo("%lld rows", static_cast<long long>(browser.List()->RowCount()));
        QBENCHMARK { browser.List()->OnUpdate(nullptr); }
    }

    void gameTree() {
        const QString game = qEnvironmentVariable("TAMBRIX_BENCH_GAME");
        if (game.isEmpty()) QSKIP("TAMBRIX_BENCH_GAME names no game folder");
        Browser browser(game);
        benchTree(browser.Tree());
        qInfo("%lld folders", static_cast<long long>(browser.Tree()->Paths().size()));
    }

    void selectPreview() {
        const QString object = qEnvironmentVariable("TAMBRIX_BENCH_OBJECT");
        QString folder;
        QString first;
        QString second;
        if (!object.isEmpty()) {
            // Two copies of the object, so that each selection opens a file afresh.
            folder = mSandbox->MakeFolder("preview/Objects");
            first = "a.iff";
            second = "b.iff";
            QFile::copy(object, folder + "/" + first);
            QFile::copy(object, folder + "/" + second);
            const QString companion = object.left(object.size() - 4) + ".spf";
            if (QFile::exists(companion)) {
                QFile::copy(companion, folder + "/a.spf");
                QFile::copy(companion, folder + "/b.spf");
            }
        } else {
            folder = mSandbox->MakeFolder("preview/Objects");
            first = "a.iff";
            second = "b.iff";
            mSandbox->MakeFile(folder, first);
            mSandbox->MakeFile(folder, second);
            FakeContent content;
            content.inputs.objects = {{"Chair", "120", "A chair"}};
            content.previewSize = QSize(120, 160);
            InstallFakeOpeners(content);
        }
        Browser browser(mSandbox->Root() + "/preview");
        QVERIFY(browser.SelectFolder(folder));
        bool flip = false;
        QBENCHMARK {
            browser.SelectFile(flip ? first : second);
            flip = !flip;
            browser.Form()->repaint();
        }
        QVERIFY(browser.Form()->CurrentPicture());
    }

    // Large Icons over a folder of 200 copies of one object: the time until the last
    // thumbnail is on show, and the longest the window's thread was busy in between.
    void thumbnails() {
        const QString object = qEnvironmentVariable("TAMBRIX_BENCH_OBJECT");
        if (object.isEmpty()) QSKIP("TAMBRIX_BENCH_OBJECT names no object file");
        const QString folder = mSandbox->MakeFolder("thumbs/Objects");
        const QString companion = object.left(object.size() - 4) + ".spf";
        for (int i = 0; i < kThumbnailFiles; ++i) {
            QFile::copy(object, folder + QString("/o%1.iff").arg(i));
            if (QFile::exists(companion)) QFile::copy(companion, folder + QString("/o%1.spf").arg(i));
        }
        ResetOpeners();
        Browser browser(mSandbox->Root() + "/thumbs");
        QVERIFY(browser.SelectFolder(folder));
        QElapsedTimer clock;
        qint64 longestStep = 0;
        clock.start();
        browser.List()->SetStyle(CTambrixView::ViewStyle::Icon);
        qint64 last = clock.nsecsElapsed();
        while (browser.List()->Thumbnails()->Busy()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            const qint64 now = clock.nsecsElapsed();
            longestStep = std::max(longestStep, now - last);
            last = now;
        }
        qInfo("%d thumbnails in %.1f ms; the window's thread was never busy longer than %.1f ms", kThumbnailFiles,
              double(clock.nsecsElapsed()) / 1e6, double(longestStep) / 1e6);
    }

private:
    std::unique_ptr<Sandbox> mSandbox;
};

QTEST_MAIN(AppBench)
#include "AppBench.moc"
