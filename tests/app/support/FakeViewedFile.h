#pragma once

// A stand-in for a file opened by the resource library: its texts, sprites and frame
// counts are set by the test, and every picture it draws has a size that tells which
// sprite and frame it came from (width 10 + sprite index, height 10 + frame).

#include <QMap>
#include <memory>
#include <optional>
#include <vector>

#include "app/ViewedFile.h"

namespace tambrix::app::testing {

struct FakeContent {
    int objects = 0;
    FormTexts objectTexts;
    std::optional<FormTexts> stringTable;
    std::vector<int> spriteIds;
    QMap<int, int> frameCounts;  ///< by sprite ID
    bool previewDrawn = true;
    QSize previewSize = QSize(40, 30);
};

class FakePicture : public Picture {
public:
    explicit FakePicture(QSize size);
    QImage Image() const override { return mImage; }
    bool WriteBitmapFile(const QString& path) const override { return mImage.save(path, "BMP"); }

private:
    QImage mImage;
};

class FakeViewedFile : public ViewedFile {
public:
    explicit FakeViewedFile(FakeContent content, int* openCount = nullptr);
    ~FakeViewedFile() override;
    int CountObjects() override { return mContent.objects; }
    FormTexts FirstObjectTexts() override { return mContent.objectTexts; }
    std::optional<FormTexts> StringTableTexts() override { return mContent.stringTable; }
    std::vector<int> SpriteIds() override { return mContent.spriteIds; }
    int CountSpriteFrames(int spriteId) override { return mContent.frameCounts.value(spriteId, 0); }
    std::unique_ptr<Picture> DrawSprite(int spriteId, int frame) override;
    std::unique_ptr<Picture> RenderPreview(QString& why) override;

private:
    FakeContent mContent;
    int* mOpenCount;
};

/// Installs openers that serve `content` for every object and tile file (or fail
/// when `content` is empty); `openCount` follows how many files are open.
void InstallFakeOpeners(std::optional<FakeContent> content, int* openCount = nullptr);

}  // namespace tambrix::app::testing
