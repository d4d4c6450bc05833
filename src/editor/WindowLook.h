#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

class QWidget;

// The icon of the desktop's theme named themeName when the theme has one, otherwise the
// program's own picture :/icons/<name>.svg. An empty themeName always takes the own picture.
QIcon ActionIcon(const QString& themeName, const QString& name);

// One of the program's own SVG pictures, drawn at each size and density when it is first shown;
// an empty icon if the resource is missing.
QIcon OwnIcon(const QString& name);

// The program's icon (window, about box).
QIcon ProgramIconSet();
QPixmap ProgramIconPixmap(int size);

// Places a window in the middle of the primary screen (rather than over its parent).
void CentreOnScreen(QWidget& window);
