#include "WindowLook.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QWidget>
#include <QSvgRenderer>

namespace {

// Rendered here instead of through Qt's SVG icon plugin, so that the toolbar does not depend on
// a plugin being installed.
QPixmap RenderSvg(const QString& path, int size) {
  QSvgRenderer renderer(path);
  if (!renderer.isValid()) return {};
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  renderer.render(&painter);
  return pixmap;
}

QString ResourcePath(const QString& name) { return QStringLiteral(":/icons/%1.svg").arg(name); }

}  // namespace

QIcon OwnIcon(const QString& name) {
  QIcon icon;
  // The menu, toolbar and window sizes at the usual device pixel ratios (1, 1.25, 1.5, 2, 3), so
  // that each is drawn from a picture of its own size instead of a scaled one.
  for (int size : {16, 20, 22, 24, 28, 32, 40, 44, 48, 64, 66, 72, 96}) {
    const QPixmap pixmap = RenderSvg(ResourcePath(name), size);
    if (!pixmap.isNull()) icon.addPixmap(pixmap);
  }
  return icon;
}

QIcon ActionIcon(const QString& themeName, const QString& name) {
  if (!themeName.isEmpty() && QIcon::hasThemeIcon(themeName)) return QIcon::fromTheme(themeName);
  return OwnIcon(name);
}

QIcon ProgramIconSet() { return OwnIcon(QStringLiteral("torvanic")); }

QPixmap ProgramIconPixmap(int size) { return RenderSvg(ResourcePath(QStringLiteral("torvanic")), size); }

void CentreOnScreen(QWidget& window) {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  QRect frame(QPoint(0, 0), window.size());
  frame.moveCenter(screen->availableGeometry().center());
  window.move(frame.topLeft());
}
