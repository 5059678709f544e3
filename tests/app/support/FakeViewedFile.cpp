#include "support/FakeViewedFile.h"

namespace tambrix::app::testing {

FakePicture::FakePicture(QSize size) : mImage(size, QImage::Format_RGB888) { mImage.fill(Qt::green); }

FakeViewedFile::FakeViewedFile(FakeContent content, int* openCount)
    : mContent(std::move(content)), mOpenCount(openCount) {
    if (mOpenCount) ++*mOpenCount;
}

FakeViewedFile::~FakeViewedFile() {
    if (mOpenCount) --*mOpenCount;
}

std::unique_ptr<Picture> FakeViewedFile::DrawSprite(int spriteId, int frame) {
    int index = -1;
    for (size_t i = 0; i < mContent.spriteIds.size(); ++i)
        if (mContent.spriteIds[i] == spriteId) index = static_cast<int>(i);
    if (index < 0 || frame < 0 || frame >= CountSpriteFrames(spriteId)) return nullptr;
    return std::make_unique<FakePicture>(QSize(10 + index, 10 + frame));
}

std::unique_ptr<Picture> FakeViewedFile::RenderPreview(QString& why) {
    why.clear();
    if (!mContent.previewDrawn) return nullptr;
    return std::make_unique<FakePicture>(mContent.previewSize);
}

void InstallFakeOpeners(std::optional<FakeContent> content, int* openCount) {
    auto open = [content, openCount](const QString&) -> std::unique_ptr<ViewedFile> {
        if (!content) return nullptr;
        return std::make_unique<FakeViewedFile>(*content, openCount);
    };
    Openers().openObjectFile = open;
    Openers().openTileFile = open;
}

}  // namespace tambrix::app::testing
