#pragma once

// The application's own pictures, drawn in code: folder and file icons, toolbar
// buttons, the splash picture and the About picture.

#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QPixmap>

namespace tambrix::app::art {

QPixmap ClosedFolder();      ///< 16 x 16, tree image 0
QPixmap OpenFolder();        ///< 16 x 16, tree image 1 (selected)
QPixmap Archive();           ///< 16 x 16, a mounted archive in the tree
QPixmap DataFile(int size);  ///< the file list's item icon, 32 or 16 pixels

enum class Button { Delete, Save, LargeIcons, SmallIcons, List, Details, About, ContextHelp };
QIcon ToolbarButton(Button button);  ///< 16 x 15

/// The object form's view buttons, 16 x 16.
enum class ViewStep { RotateLeft, RotateRight, ZoomOut, ZoomIn };
QIcon ViewStepButton(ViewStep step);

QPixmap SplashPicture();
QPixmap AboutPicture();
QIcon ApplicationIcon();
/// The house of the window icon, drawn into `box`; the installed icons are drawn by it.
void DrawApplicationEmblem(QPainter& p, const QRectF& box);
/// The window icon's picture at `size` pixels square, with the About picture's margin.
QImage ApplicationPicture(int size);

}  // namespace tambrix::app::art
