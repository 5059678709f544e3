#pragma once

// A stand-in for a file opened by the library, holding what the test sets. Its pictures
// tell by their size what they show: a sprite frame is (10 + sprite index) x (10 + frame),
// a preview the content's size, wider by the view less 10 and higher by the object.

#include <memory>
#include <optional>

#include "app/browsing/ViewedFile.h"

namespace tambrix::app::testing {

struct FakeContent {
    ViewInputs inputs;
    bool previewDrawn = true;
    QSize previewSize = QSize(40, 30);
};

class FakePicture : public Picture {
public:
    explicit FakePicture(QSize size) : mImage(size, QImage::Format_RGB888) { mImage.fill(Qt::green); }
    QImage Image() const override { return mImage; }
    bool WriteBitmapFile(const QString& path) const override { return mImage.save(path, "BMP"); }

private:
    QImage mImage;
};

class FakeViewedFile : public ViewedFile {
public:
    FakeViewedFile(GameFileKind kind, FakeContent content, int* openCount = nullptr)
        : mContent(std::move(content)), mDescription(DescribeView(kind, mContent.inputs)), mOpenCount(openCount) {
        if (mOpenCount) ++*mOpenCount;
    }
    ~FakeViewedFile() override {
        if (mOpenCount) --*mOpenCount;
    }
    const ViewDescription& Description() const override { return mDescription; }
    std::unique_ptr<Picture> DrawSprite(int spriteId, int frame) override {
        const auto& sprites = mContent.inputs.sprites;
        for (size_t i = 0; i < sprites.size(); ++i)
            if (sprites[i].first == spriteId && frame >= 0 && static_cast<uint32_t>(frame) < sprites[i].second)
                return std::make_unique<FakePicture>(QSize(10 + static_cast<int>(i), 10 + frame));
        return nullptr;
    }
    std::unique_ptr<Picture> RenderPreview(int object, int view, QString& why) override {
        why.clear();
        if (!mContent.previewDrawn || object < 0 || static_cast<size_t>(object) >= mDescription.objects.size())
            return nullptr;
        return std::make_unique<FakePicture>(mContent.previewSize + QSize(view - kDefaultPreviewImage, object));
    }

private:
    FakeContent mContent;
    ViewDescription mDescription;
    int* mOpenCount;
};

/// Serves `content` for every object, sprite, wall and floor file opened (or fails when
/// there is none).
inline void InstallFakeOpeners(std::optional<FakeContent> content, int* openCount = nullptr) {
    Openers().openFile = [content, openCount](const QString& path, GameFileAccess) -> std::unique_ptr<ViewedFile> {
        if (!content) return nullptr;
        return std::make_unique<FakeViewedFile>(KindOfName(LibraryPath(path)), *content, openCount);
    };
}

}  // namespace tambrix::app::testing
