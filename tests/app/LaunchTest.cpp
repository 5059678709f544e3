// Starting the browser as an installed desktop program starts it: a file or folder from the
// command line (a file manager's "Open With"), --help and --version without a window, the
// game's file types as the desktop's file-type database sees them, the menu entry, the
// AppStream data and the icon agreeing with one another and with the window icon.

#include <QtTest>
#include <QtWidgets>
#include <memory>

#include "TambrixVersion.h"
#include "app/browsing/CFolderView.h"
#include "app/shell/AppArt.h"
#include "app/shell/CMainFrame.h"
#include "app/shell/CSplashWnd.h"
#include "app/shell/CTambrixApp.h"
#include "app/shell/CTambrixDoc.h"
#include "demo/DraftDemo.h"
#include "support/AppTestSupport.h"

using namespace tambrix::app;
using namespace tambrix::app::testing;

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

/// The values of the XML elements `tag` (their `attribute`, or their text when empty).
QStringList xmlValues(const QString& path, const QString& tag, const QString& attribute) {
    QStringList values;
    QXmlStreamReader xml(readAll(path));
    while (!xml.atEnd())
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == tag)
            values << (attribute.isEmpty() ? xml.readElementText() : xml.attributes().value(attribute).toString());
    values.sort();
    return values;
}

QString desktopValue(const QString& key) {
    for (const QByteArray& line : readAll(TAMBRIX_DIST_SOURCE "/tambrix.desktop").split('\n'))
        if (line.startsWith(key.toUtf8() + "=")) return QString::fromUtf8(line.mid(key.size() + 1));
    return QString();
}

}  // namespace

class LaunchTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        // The desktop's file-type database sees the types this package installs beside
        // the common ones (those the system has, where it has them); set before the first
        // look-up in the process, which reads it once.
        QVERIFY(mMimeRoot.isValid());
        const QString packages = mMimeRoot.path() + "/mime/packages";
        QVERIFY(QDir().mkpath(packages));
        QVERIFY(QFile::copy(TAMBRIX_DIST_SOURCE "/tambrix-mime.xml", packages + "/tambrix.xml"));
        mCommonTypes = QFile::copy(kCommonTypes, packages + "/freedesktop.org.xml");
        qputenv("XDG_DATA_DIRS", mMimeRoot.path().toLocal8Bit());
        QVERIFY(mGame.isValid());
        std::string error;
        QVERIFY2(WriteDraftDemo(mGame.path(), error) == 0, error.c_str());
    }
    void init() {
        mSandbox = std::make_unique<Sandbox>();
        StoreSetting("ShowSplashScreen", 0);
        StoreSetting("SimsPath", mSaved = mSandbox->MakeFolder("saved"));
    }
    void cleanup() {
        CSplashWnd::HideSplashScreen();
        mSandbox.reset();
    }

    // By content first: a container or archive under any name is the game's, and a
    // picture in the Amiga format that shares ".iff" is not; by name when there is no
    // content to go by.
    void fileTypesByContentAndName_data() {
        QTest::addColumn<QString>("source");  // a demo file, or the bytes to write
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("type");
        QTest::newRow("object") << "GameData/Objects/ChairDining.iff" << "a.iff" << "application/x-sims-iff";
        QTest::newRow("capitals") << "Downloads/ArmchairPrototype.IFF" << "a.IFF" << "application/x-sims-iff";
        QTest::newRow("sprites") << "GameData/Objects/GlassTable.spf" << "a.spf" << "application/x-sims-iff";
        QTest::newRow("wall") << "GameData/Walls/SageStripe.wll" << "a.wll" << "application/x-sims-iff";
        QTest::newRow("floor") << "GameData/Floors/Parquet.flr" << "a.flr" << "application/x-sims-iff";
        QTest::newRow("renamed container") << "GameData/Objects/ChairDining.iff" << "chair.bin"
                                           << "application/x-sims-iff";
        QTest::newRow("archive") << "GameData/Objects/Objects.far" << "a.far" << "application/x-sims-far";
        QTest::newRow("renamed archive") << "GameData/Objects/Objects.far" << "objects.dat" << "application/x-sims-far";
        QTest::newRow("empty .far") << "" << "empty.far" << "application/x-sims-far";
        QTest::newRow("amiga picture") << "bytes:FORM\x01\x02\x03\x04ILBMBMHD" << "picture.iff" << "!application/x-sims-iff";
    }
    void fileTypesByContentAndName() {
        QFETCH(QString, source);
        QFETCH(QString, name);
        QFETCH(QString, type);
        const QString path = mSandbox->Root() + "/" + name;
        if (type.startsWith('!') && !mCommonTypes) QSKIP("no common file types to share an extension with");
        if (source.startsWith("bytes:") || source.isEmpty())
            mSandbox->MakeFile(mSandbox->Root(), name, 0, source.mid(6).toLatin1());
        else
            QVERIFY(QFile::copy(mGame.path() + "/" + source, path));
        const QString found = QMimeDatabase().mimeTypeForFile(path).name();
        if (type.startsWith('!'))
            QVERIFY2(found != type.mid(1), qPrintable(found));
        else
            QCOMPARE(found, type);
    }

    // The menu entry opens the types the file-type database names, AppStream lists the
    // same, and both name the installed program, icon and version.
    void desktopFilesAgree() {
        const QStringList types = xmlValues(TAMBRIX_DIST_SOURCE "/tambrix-mime.xml", "mime-type", "type");
        QCOMPARE(types, (QStringList{"application/x-sims-far", "application/x-sims-iff"}));
        QStringList opened = desktopValue("MimeType").split(';', Qt::SkipEmptyParts);
        opened.sort();
        QCOMPARE(opened, types);
        const QString metainfo = TAMBRIX_DIST_BUILD "/tambrix.metainfo.xml";
        QCOMPARE(xmlValues(metainfo, "mediatype", {}), types);
        QCOMPARE(xmlValues(metainfo, "launchable", {}), QStringList{"tambrix.desktop"});
        QCOMPARE(xmlValues(metainfo, "release", "version"), QStringList{TAMBRIX_VERSION});
        QCOMPARE(desktopValue("Exec"), QString("tambrix %f"));
        QCOMPARE(desktopValue("Icon"), QString("tambrix"));
        QCOMPARE(desktopValue("GenericName"), QString("Game Data Browser"));
    }

    // The installed icon is the window icon's picture, at every size.
    void iconIsTheWindowIcon() {
        QCOMPARE(art::ApplicationPicture(64),
                 art::AboutPicture().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied));
        for (const int size : {16, 48, 256}) {
            const QImage icon = art::ApplicationPicture(size);
            QCOMPARE(icon.size(), QSize(size, size));
            QCOMPARE(qAlpha(icon.pixel(0, 0)), 0);                    // the margin is clear
            QCOMPARE(qAlpha(icon.pixel(size / 2, size * 3 / 4)), 255);  // the wall is not
        }
    }

    // --help and --version answer only when alone; anything else is a start.
    void infoRequests_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("firstLine");  // empty: no answer, the browser starts
        QTest::newRow("help") << QStringList{"tambrix", "--help"} << "Usage: tambrix [FOLDER | FILE]";
        QTest::newRow("-h") << QStringList{"tambrix", "-h"} << "Usage: tambrix [FOLDER | FILE]";
        QTest::newRow("version") << QStringList{"tambrix", "--version"} << "tambrix " TAMBRIX_VERSION;
        QTest::newRow("none") << QStringList{"tambrix"} << "";
        QTest::newRow("folder") << QStringList{"tambrix", "/tmp"} << "";
        QTest::newRow("two") << QStringList{"tambrix", "--version", "/tmp"} << "";
        QTest::newRow("near miss") << QStringList{"tambrix", "--versions"} << "";
    }
    void infoRequests() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, firstLine);
        const std::optional<QString> info = CTambrixApp::InfoRequest(arguments);
        QCOMPARE(info ? info->section('\n', 0, 0) : QString(), firstLine);
        if (info && firstLine.startsWith("tambrix ")) QVERIFY(info->contains("GPL version 3 or later"));
    }

    // A file starts the browser on its folder with the file selected (an archive: its
    // tree item), a folder as the game folder; both for this run only. Anything else
    // starts on the saved folder. ("?": whatever a start selects there.)
    void startsOnTheArgument_data() {
        QTest::addColumn<QString>("argument");   // under the demo folder
        QTest::addColumn<QString>("simsPath");   // under the demo folder; "saved": the saved one
        QTest::addColumn<QString>("folder");     // the current folder, under the demo folder
        QTest::addColumn<QString>("file");       // the selected file
        QTest::newRow("object") << "GameData/Objects/ChairDining.iff" << "GameData/Objects" << "GameData/Objects"
                                << "ChairDining.iff";
        QTest::newRow("capitals") << "Downloads/ArmchairPrototype.IFF" << "Downloads" << "Downloads"
                                  << "ArmchairPrototype.IFF";
        QTest::newRow("wall") << "GameData/Walls/SageStripe.wll" << "GameData/Walls" << "GameData/Walls"
                              << "SageStripe.wll";
        QTest::newRow("bitmap") << "GameData/UIGraphics/Sunset.bmp" << "GameData/UIGraphics"
                                << "GameData/UIGraphics" << "Sunset.bmp";
        QTest::newRow("archive") << "GameData/Objects/Objects.far" << "GameData/Objects"
                                 << "GameData/Objects/Objects.far" << "?";
        QTest::newRow("folder") << "GameData" << "GameData" << "?" << "?";
        QTest::newRow("relative parts") << "GameData/Walls/../Floors/Parquet.flr" << "GameData/Floors"
                                        << "GameData/Floors" << "Parquet.flr";
        QTest::newRow("missing") << "GameData/Missing.iff" << "saved" << "?" << "?";
    }
    void startsOnTheArgument() {
        QFETCH(QString, argument);
        QFETCH(QString, simsPath);
        QFETCH(QString, folder);
        QFETCH(QString, file);
        const QString root = mGame.path() + "/";
        auto expect = [&](const QString& relative) { return relative == "saved" ? mSaved : root + relative; };
        {
            CTambrixApp app;
            QVERIFY(app.InitInstance({"tambrix", root + argument}));
            app.Frame()->FolderView()->WaitUntilBuilt();
            QCOMPARE(app.Doc()->SimsPath(), expect(simsPath));
            if (folder != "?") QCOMPARE(app.Doc()->CurrentFolder(), expect(folder));
            if (file != "?") QCOMPARE(app.Doc()->CurrentFile(), file);
            QVERIFY(mSandbox->messages.isEmpty());
        }
        QCOMPARE(StoredSetting("SimsPath").toString(), mSaved);  // the saved folder stays
    }

private:
    static constexpr const char* kCommonTypes = "/usr/share/mime/packages/freedesktop.org.xml";
    QTemporaryDir mMimeRoot, mGame;
    bool mCommonTypes = false;
    QString mSaved;
    std::unique_ptr<Sandbox> mSandbox;
};

QTEST_MAIN(LaunchTest)
#include "LaunchTest.moc"
