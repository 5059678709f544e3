#include "support/FakeViewedFile.h"

namespace tambrix::app::testing {

FakePicture::FakePicture(QSize size) : mImage(size, QImage::Format_RGB888) { mImage.fill(Qt::green); }

FakeViewedFile::FakeViewedFile(GameFileKind kind, FakeContent content, int* openCount)
    : mContent(std::move(content)), mDescription(DescribeView(kind, mContent.inputs)), mOpenCount(openCount) {
    if (mOpenCount) ++*mOpenCount;
}

FakeViewedFile::~FakeViewedFile() {
    if (mOpenCount) --*mOpenCount;
}

std::unique_ptr<Picture> FakeViewedFile::DrawSprite(int spriteId, int frame) {
    const auto& sprites = mContent.inputs.sprites;
    for (size_t i = 0; i < sprites.size(); ++i) {
        if (sprites[i].first != spriteId) continue;
        if (frame < 0 || static_cast<uint32_t>(frame) >= sprites[i].second) return nullptr;
        return std::make_unique<FakePicture>(QSize(10 + static_cast<int>(i), 10 + frame));
    }
    return nullptr;
}

std::unique_ptr<Picture> FakeViewedFile::RenderPreview(int object, int view, QString& why) {
    why.clear();
    if (!mContent.previewDrawn || object < 0 || static_cast<size_t>(object) >= mDescription.objects.size())
        return nullptr;
    return std::make_unique<FakePicture>(mContent.previewSize + QSize(view - kDefaultPreviewImage, object));
}

void InstallFakeOpeners(std::optional<FakeContent> content, int* openCount) {
    Openers().openFile = [content, openCount](const QString& path) -> std::unique_ptr<ViewedFile> {
        if (!content) return nullptr;
        return std::make_unique<FakeViewedFile>(KindOfName(LibraryPath(path)), *content, openCount);
    };
}

}  // namespace tambrix::app::testing
