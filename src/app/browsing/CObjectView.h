#pragma once

// The upper right pane: a form showing the current file. An object file shows the
// name, price, description and preview of one of its objects (the first, until another
// is chosen above the form) in one of twelve views, turned and zoomed by the buttons
// below the description, by Ctrl+Left, Ctrl+Right, Ctrl+- and Ctrl+= anywhere in the
// window, or by Left, Right, + and - in the form; a wall or floor file (and an object
// file without objects) its texts, sprites and the selected frame, the near sprite
// first; a bitmap the bitmap itself. The picture is drawn at 100%, 200% or 400%
// (enlarged pixel by pixel, so it stays crisp) or fitted to the pane.

#include <QFrame>
#include <QPoint>
#include <QWidget>
#include <memory>

#include "app/shell/AppArt.h"
#include "app/shell/CTambrixDoc.h"
#include "app/browsing/ViewedFile.h"

class QAction;
class QActionGroup;
class QComboBox;
class QLabel;
class QToolButton;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;

namespace tambrix::app {

class CCatalogEditBar;

/// The picture frame: a sunken box drawing the current picture 4 pixels in, at a scale.
class PictureFrame : public QFrame {
    Q_OBJECT
public:
    static constexpr int kInset = 4;
    /// A note wraps at this width and keeps this margin to the box.
    static constexpr int kNoteWidth = 220;
    static constexpr int kNoteMargin = 8;
    explicit PictureFrame(QWidget* parent);
    void SetImage(const QImage& image);
    const QImage& Image() const { return mImage; }
    /// Words drawn inside the box in place of a picture (why there is none); empty for none.
    void SetNote(const QString& note);
    const QString& Note() const { return mNote; }
    /// The size the note needs inside the box.
    QSize NoteSize() const;
    /// Enlargements repeat pixels; reductions are smoothed.
    void SetScale(double scale);
    double Scale() const { return mScale; }
    /// The picture's size as drawn.
    QSize ShownSize() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage mImage;
    QString mNote;
    double mScale = 1.0;
};

/// How large the form draws its picture. Fit enlarges by whole steps only (crisp), and
/// reduces a picture larger than the pane.
enum class PictureZoom { kFit, kActual, kDouble, kQuadruple };

class CObjectView : public QWidget, public CView {
    Q_OBJECT
public:
    static constexpr const char* kFloorFrameItem = tambrix::kFloorFrameItem;

    explicit CObjectView(CTambrixDoc* doc, QWidget* parent = nullptr);
    ~CObjectView() override;

    void OnInitialUpdate() override;
    void OnUpdate(CView* sender) override;

    /// Draws the selected frame of the selected sprite as the current picture.
    void ShowSelectedSprite();

    /// The view an object is previewed in (0-11, 10 at first); it stays when another
    /// file is shown.
    int View() const { return mView; }
    /// Turns or zooms the view; a zoom past near or far is ignored.
    void StepView(art::ViewStep step);
    /// The picture's zoom; it stays when another file is shown.
    PictureZoom Zoom() const { return mZoom; }
    void SetZoom(PictureZoom zoom);
    /// One zoom step larger (1) or smaller (-1), as Ctrl and the mouse wheel do.
    void StepZoom(int direction);
    /// The commands that turn and zoom, with their keys: the window puts them in its View
    /// menu and they work wherever the focus is.
    QList<QAction*> ViewActions() const;
    /// The object chosen above the form (0 for the first).
    int ObjectIndex() const { return mObject; }
    /// Closes the opened file, so that nothing holds it open while it is deleted; the form
    /// shows nothing until the next file comes.
    void CloseFile();

    /// The picture shown as the screen has it; null without one.
    QImage ShownPicture() const;
    /// Writes the picture shown as a PNG file, its background see-through; false when
    /// there is none or it could not be written.
    bool ExportPng(const QString& path) const;
    /// Puts the picture shown on the clipboard; false without one.
    bool CopyPicture() const;
    /// The picture shown, or null.
    const Picture* CurrentPicture() const { return mPicture.get(); }
    /// The picture shown, shared: whoever takes it (a save waiting on its dialog) keeps it
    /// valid however the form moves on meanwhile. Null without one.
    std::shared_ptr<const Picture> SharedPicture() const { return mPicture; }
    bool HasOpenFile() const { return mFile != nullptr; }

    QLineEdit* NameEdit() const { return mName; }
    QLineEdit* PriceEdit() const { return mPrice; }
    QPlainTextEdit* DescriptionEdit() const { return mDescription; }
    QListWidget* SpriteList() const { return mSprites; }
    QListWidget* FrameList() const { return mFrames; }
    QLabel* SpriteLabel() const { return mSpriteLabel; }
    QLabel* FrameLabel() const { return mFrameLabel; }
    PictureFrame* Frame() const { return mFrame; }
    QComboBox* ObjectSelector() const { return mObjectBox; }
    QToolButton* StepButton(art::ViewStep step) const { return mSteps[static_cast<int>(step)]; }
    QLabel* ViewLabel() const { return mViewText; }
    /// What the file is, where it holds no object to show ("house file: 1,204
    /// resources, no object definitions"); hidden otherwise.
    QLabel* NoteLabel() const { return mNoteText; }
    /// The names of the shown object file's top-level objects, in order; empty for
    /// another file.
    QStringList ObjectNames() const;
    /// The language selector and Save, Revert or "Clone to edit" below an object's texts.
    CCatalogEditBar* EditBar() const { return mEditBar; }

signals:
    /// Why the picture shown is blank or missing; empty when a new file leaves nothing to say.
    void pictureNote(const QString& text);
    /// The picture shown came or went.
    void pictureChanged();
    /// What the file shown is and what opening it wrote ("catalog completed: Plants.iff
    /// was changed"); empty when there is nothing to say or no file is shown.
    void fileNote(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void releaseFile();
    /// The chosen object in the chosen view as the current picture, with its texts.
    void showObject();
    /// Places the left column below the object selector when it shows.
    void layOut(bool selector);
    void hideAll();
    void showTexts(bool shown);
    /// An object, wall or floor file, as the library describes it.
    void showFile(const QString& path);
    void showBitmapFile(const QString& path);
    /// Says why a file did not open, in the picture's box and the status bar.
    void showFailure(const QString& path);
    void fillSprites();
    void refillFrames();
    void setPicture(std::unique_ptr<Picture> picture);
    void placeFrame();
    /// Sizes the frame around the picture at the zoom, where it stands.
    void sizeFrame();
    void createViewActions();
    void onSpriteChanged();
    void growToFit();
    /// Places the note below the picture (or where it would be), or alone at the top of
    /// a form that shows nothing else.
    void placeNote();
    /// Shows the file again after its texts were saved, at object `object`.
    void reloadFile(int object);
    /// Asks about unsaved text edits before what they belong to goes; true when saved.
    bool settleEdits();

    CTambrixDoc* mDoc;
    std::unique_ptr<ViewedFile> mFile;
    std::shared_ptr<Picture> mPicture;
    ViewForm mForm = ViewForm::kNothing;
    QPoint mFrameCorner;
    bool mRefilling = false;
    int mView = kDefaultPreviewImage;
    int mObject = 0;
    PictureZoom mZoom = PictureZoom::kActual;

    QLabel* mNameLabel;
    QLineEdit* mName;
    QLabel* mPriceLabel;
    QLineEdit* mPrice;
    QLabel* mDescriptionLabel;
    QPlainTextEdit* mDescription;
    PictureFrame* mFrame;
    QLabel* mFrameLabel;
    QListWidget* mFrames;
    QLabel* mSpriteLabel;
    QListWidget* mSprites;
    QLabel* mObjectLabel;
    QComboBox* mObjectBox;
    QLabel* mViewLabel;
    QLabel* mViewText;
    QToolButton* mSteps[4];
    QAction* mStepActions[4];
    QActionGroup* mZoomGroup;
    QAction* mZoomActions[4];
    QLabel* mNoteText;
    CCatalogEditBar* mEditBar;
    bool mSettling = false;
};

}  // namespace tambrix::app
