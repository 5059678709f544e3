#pragma once

// A stand-in for a file opened by the library, holding what the test sets. Its pictures
// tell by their size what they show: a sprite frame is (10 + sprite index) x (10 + frame),
// a preview the content's size, wider by the view less 10 and higher by the object.

#include <memory>
#include <optional>

#include "app/ViewedFile.h"

namespace tambrix::app::testing {

struct FakeContent {
    ViewInputs inputs;
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
    FakeViewedFile(GameFileKind kind, FakeContent content, int* openCount = nullptr);
    ~FakeViewedFile() override;
    const ViewDescription& Description() const override { return mDescription; }
    std::unique_ptr<Picture> DrawSprite(int spriteId, int frame) override;
    std::unique_ptr<Picture> RenderPreview(int object, int view, QString& why) override;

private:
    FakeContent mContent;
    ViewDescription mDescription;
    int* mOpenCount;
};

/// Installs openers that serve `content` for every object, wall and floor file (or fail
/// when `content` is empty); `openCount` follows how many files are open.
void InstallFakeOpeners(std::optional<FakeContent> content, int* openCount = nullptr);

}  // namespace tambrix::app::testing
