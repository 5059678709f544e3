// The object view's openers over the resource library: object files through a view
// resource set (with their ".spf" companion), wall and floor files as single IFF
// containers, bitmaps read from disk (or from an archive through the file index); pictures are the library's bitmaps, saved with
// its bitmap export.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QStringDecoder>

#include "app/ArchiveBridge.h"
#include "app/BitmapImage.h"
#include "app/ViewedFile.h"
#include "catalog/ObjectPreview.h"
#include "catalog/ObjectSet.h"
#include "catalog/StringTable.h"
#include "containers/IffResourceFile.h"
#include "containers/LegacyIffResourceFile.h"
#include "core/TextBuffer.h"
#include "graphics/BitmapExport.h"
#include "graphics/PreviewRenderer.h"
#include "graphics/Sprite.h"

#if __has_include("sets/ViewResourceSet.h")
#define TAMBRIX_HAS_RESOURCE_SETS 1
#include "sets/ViewResourceSet.h"
#endif

namespace tambrix::app {

namespace {

const uint32_t kWhite = 0xFFFFFF;  // 0x00BBGGRR

/// A picture held as the library's bitmap; the screen gets a copy as an image.
class BitmapPicture : public Picture {
public:
    explicit BitmapPicture(std::unique_ptr<platform::Bitmap> bitmap)
        : mBitmap(std::move(bitmap)), mImage(ToImage(*mBitmap)) {}
    QImage Image() const override { return mImage; }
    bool WriteBitmapFile(const QString& path) const override {
        const std::optional<PackedDib> packed = BitmapToPackedDib(mBitmap.get(), kDibUncompressed);
        if (!packed) return false;
        return WritePackedDibFile(QFile::encodeName(path).toStdString(), &*packed);
    }

private:
    std::unique_ptr<platform::Bitmap> mBitmap;
    QImage mImage;
};

std::unique_ptr<Picture> pictureOf(std::unique_ptr<platform::Bitmap> bitmap) {
    if (!bitmap) return nullptr;
    return std::make_unique<BitmapPicture>(std::move(bitmap));
}

/// A file name for the library, or nothing when it does not fit its 260-byte buffer
/// (a cut name would open another file).
std::optional<FileNameText> libraryName(const QString& path) {
    const QByteArray bytes = QFile::encodeName(path);
    if (bytes.isEmpty() || static_cast<uint32_t>(bytes.size()) >= kFileNameCapacity) return std::nullopt;
    return FileNameText(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}

/// Game texts are 8-bit: UTF-8 where they decode as such, else Latin-1.
QString gameText(std::string_view text) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = utf8.decode(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
    if (!utf8.hasError()) return decoded;
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QString gameText(const char* text) { return text ? gameText(std::string_view(text)) : QString(); }

class LibraryViewedFile : public ViewedFile {
public:
    explicit LibraryViewedFile(std::unique_ptr<ObjectSet> set) : mSet(std::move(set)) {}

    int CountObjects() override { return static_cast<int>(mSet->Objects().size()); }

    FormTexts FirstObjectTexts() override {
        if (mSet->Objects().empty()) return {};
        const ObjectRecord& first = *mSet->Objects().front();
        return {gameText(first.Name()), QString::asprintf("%d", first.Price()), gameText(first.Description())};
    }

    std::optional<FormTexts> StringTableTexts() override {
        StringTable table;
        if (table.Load(mSet->ResourceSet(), 0, false) != 0) return std::nullopt;
        const uint8_t current = StringTable::kCurrentLanguage;
        return FormTexts{gameText(table.Get(1, current)), gameText(table.Get(2, current)),
                         gameText(table.Get(3, current))};
    }

    std::vector<int> SpriteIds() override {
        std::vector<int> ids;
        for (const SpriteRef& sprite : mSet->Sprites()) ids.push_back(sprite.id);
        return ids;
    }

    int CountSpriteFrames(int spriteId) override {
        return static_cast<int>(tambrix::CountSpriteFrames(*mSet->ResourceSet(), spriteId));
    }

    std::unique_ptr<Picture> DrawSprite(int spriteId, int frame) override {
        return pictureOf(tambrix::DrawSprite(*mSet->ResourceSet(), spriteId, frame, kWhite, kSpriteViewColour));
    }

    std::unique_ptr<Picture> RenderPreview(QString& why) override {
        why.clear();
        if (mSet->Objects().empty()) return nullptr;
        PreviewReport report;
        auto picture = pictureOf(RenderObjectPreview(*mSet->Objects().front(), kDefaultPreviewImage, kWhite, &report));
        why = QString::fromStdString(PreviewReportText(report));
        return picture;
    }

private:
    std::unique_ptr<ObjectSet> mSet;
};

std::unique_ptr<ViewedFile> loadedFile(std::unique_ptr<ResourceFile> file) {
    auto set = std::make_unique<ObjectSet>();
    set->SetResourceSet(std::move(file));
    set->Load(1);
    return std::make_unique<LibraryViewedFile>(std::move(set));
}

#ifdef TAMBRIX_HAS_RESOURCE_SETS
/// Whether one of the set's members is the object file itself and not only its
/// companion. The set was opened by the object file's name without extension, so its
/// ".iff" member can only be that file. (A member's path comes back in the file
/// system's key form, lower case with backslashes, so it is judged by extension alone.)
bool hasObjectMember(ViewResourceSet& set) {
    for (int i = 0; i < set.CountMembers(); ++i) {
        FileNameText memberPath;
        if (set.GetMember(i)->GetPath(memberPath) != 0) continue;
        if (QByteArray(memberPath.CStr()).toLower().endsWith(".iff")) return true;
    }
    return false;
}

/// The types that an object file's companion holds for it.
const ResType kCompanionTypes[] = {restype::kSPR, restype::kDGRP, restype::kPALT, MakeResType("BMP_"), restype::kSPR2};

/// Opens a name whose base itself holds a dot ("my.chair.iff"), which the set would
/// read as an extension of its own: the object file by its full name, then its
/// companion added and paired by hand as the set pairs them.
bool openDottedObjectFile(ViewResourceSet& set, const QFileInfo& info) {
    const auto name = libraryName(info.filePath());
    if (!name || set.Open(*name) != 0) return false;
    const auto companionName = libraryName(info.dir().filePath(info.completeBaseName() + ".spf"));
    if (!companionName) return true;
    auto companion = std::make_unique<IffResourceFile>();
    if (companion->Open(*companionName) != 0) return true;
    ResourceFile* objectMember = set.GetMember(0);
    ResourceFile* spriteMember = companion.get();
    if (!set.AddMember(std::move(companion))) return true;
    for (ResType type : kCompanionTypes) set.ExcludeType(objectMember, type);
    for (ResType type : kCompanionTypes) set.IncludeType(spriteMember, type);
    return true;
}

std::unique_ptr<ViewedFile> openObjectFile(const QString& path) {
    const QFileInfo info(path);
    auto set = std::make_unique<ViewResourceSet>();
    if (info.completeBaseName().contains('.')) {
        if (!openDottedObjectFile(*set, info)) return nullptr;
    } else {
        // By the name without extension, so that the set takes the ".spf" companion
        // too: an object's sprites may live there.
        const auto name = libraryName(info.dir().filePath(info.completeBaseName()));
        if (!name || set->Open(*name) != 0) return nullptr;
    }
    if (!hasObjectMember(*set)) return nullptr;
    return loadedFile(std::move(set));
}
#endif

std::unique_ptr<ViewedFile> openTileFile(const QString& path) {
    const auto name = libraryName(path);
    if (!name) return nullptr;
    auto legacy = std::make_unique<LegacyIffResourceFile>();
    if (legacy->Open(*name) == 0) return loadedFile(std::move(legacy));
    auto current = std::make_unique<IffResourceFile>();
    if (current->Open(*name) == 0) return loadedFile(std::move(current));
    return nullptr;
}

std::unique_ptr<Picture> loadBitmapFile(const QString& path) {
    QImage image;
    if (IsMountedEntry(path)) {
        // An entry inside an archive is no file on disk: its bytes come through the index.
        const std::optional<QByteArray> bytes = ReadMountedEntry(path);
        if (!bytes) return nullptr;
        image = QImage::fromData(*bytes, "BMP");
    } else {
        image = QImage(path, "BMP");
    }
    if (image.isNull()) return nullptr;
    return pictureOf(FromImage(image));
}

}  // namespace

FileOpeners LibraryOpeners() {
    FileOpeners openers;
#ifdef TAMBRIX_HAS_RESOURCE_SETS
    openers.openObjectFile = openObjectFile;
#else
    // Resource sets are not part of this build yet: object files cannot be opened.
    openers.openObjectFile = [](const QString&) -> std::unique_ptr<ViewedFile> { return nullptr; };
#endif
    openers.openTileFile = openTileFile;
    openers.loadBitmapFile = loadBitmapFile;
    return openers;
}

}  // namespace tambrix::app
