// The product's pictures, drawn in code so that the program needs no
// resource files: the application icon and the about box's artwork.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>

namespace danvore::ui {

QIcon ApplicationIcon();
QPixmap ProductArtwork(QSize Size);

}  // namespace danvore::ui
