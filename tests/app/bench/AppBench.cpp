// Timings of the browser's heavy roads, for people to read (never asserted):
//   fillList      - the file list for a folder of 5,000 files
//   buildTree     - the folder tree of 2,000 folders
//   selectPreview - from selecting an object file to its preview on show
// Run: QT_QPA_PLATFORM=offscreen app_benchmarks [-iterations N]. With TAMBRIX_BENCH_OBJECT
// set to an object file, selectPreview opens that file with the library; otherwise it
// measures the form's own work over a stand-in file.

#include <QtTest>
#include <memory>

#include "support/AppTestSupport.h"
#include "support/Browser.h"
#include "support/FakeViewedFile.h"

using namespace tambrix::app;
using namespace tambrix::app::testing;

namespace {

const int kListFiles = 5000;
const int kTreeFolders = 2000;
const int kTreeFanOut = 10;  // folders per folder: 10 + 100 + 1000 + 890

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
        QBENCHMARK { browser.Tree()->OnInitialUpdate(); }
        QCOMPARE(browser.Tree()->Paths().size(), kTreeFolders);
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

private:
    std::unique_ptr<Sandbox> mSandbox;
};

QTEST_MAIN(AppBench)
#include "AppBench.moc"
