#include "WindowLook.h"

#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QStyleOption>
#include <QSvgRenderer>
#include <QWidget>

#include <algorithm>
#include <memory>
#include <utility>

namespace {

// Rendered here instead of through Qt's SVG icon plugin, so that the toolbar does not depend on
// a plugin being installed.
QPixmap RenderSvg(QSvgRenderer& renderer, int size) {
  if (!renderer.isValid()) return {};
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  renderer.render(&painter);
  return pixmap;
}

QPixmap RenderSvg(const QString& path, int size) {
  QSvgRenderer renderer(path);
  return RenderSvg(renderer, size);
}

QString ResourcePath(const QString& name) { return QStringLiteral(":/icons/%1.svg").arg(name); }

// One of the program's pictures as an icon, drawn at the size and density it is asked for when it
// is first asked, and kept: a picture that is never shown costs nothing at start-up, and each size
// (a toolbar button at 150 %, a menu at 200 %) is drawn from the picture, not scaled from another.
// The picture is read once, when the first size is drawn (a window system may ask for eight sizes
// of the window's icon at once).
class TSvgIconEngine : public QIconEngine {
 public:
  explicit TSvgIconEngine(QString path) : FPath(std::move(path)) {}

  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
    const qreal ratio = painter->device()->devicePixelRatioF();
    QPixmap drawn = pixmap(rect.size() * ratio, mode, state);
    drawn.setDevicePixelRatio(ratio);
    painter->drawPixmap(rect.topLeft(), drawn);
  }
  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override {
    const QString key = QStringLiteral("%1x%2/%3").arg(size.width()).arg(size.height()).arg(int(mode));
    if (const auto kept = FDrawn.constFind(key); kept != FDrawn.constEnd()) return *kept;
    if (!FRenderer) FRenderer = std::make_unique<QSvgRenderer>(FPath);
    QPixmap drawn = RenderSvg(*FRenderer, std::min(size.width(), size.height()));
    // Disabled and selected looks as Qt makes them for any icon.
    if (mode != QIcon::Normal && !drawn.isNull()) {
      QStyleOption option;
      drawn = QApplication::style()->generatedIconPixmap(mode, drawn, &option);
    }
    FDrawn.insert(key, drawn);
    return drawn;
  }
  QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
    const int side = std::min(size.width(), size.height());
    return {side, side};
  }
  // The sizes a window system may want all at once (the window's icon on X11).
  QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
    return {{16, 16}, {22, 22}, {24, 24}, {32, 32}, {48, 48}, {64, 64}, {96, 96}, {128, 128}};
  }
  QIconEngine* clone() const override { return new TSvgIconEngine(FPath); }
  QString key() const override { return QStringLiteral("TSvgIconEngine"); }

 private:
  QString FPath;
  std::unique_ptr<QSvgRenderer> FRenderer;
  QHash<QString, QPixmap> FDrawn;
};

// The engine of one of the program's pictures; none when the picture is missing.
std::unique_ptr<TSvgIconEngine> OwnEngine(const QString& path) {
  if (!QFile::exists(path)) return nullptr;
  return std::make_unique<TSvgIconEngine>(path);
}

// The desktop theme's icon when the theme has one, otherwise the program's own picture; which of
// the two is looked up when the icon is first shown. The look-up reads the theme's folders (about
// a millisecond per icon on a desktop whose theme has no icon cache), and most of these icons are
// in menus that start closed. The own picture is drawn by its engine exactly as an own icon is;
// the theme's picture is taken at the size asked for in device pixels.
class TThemeIconEngine : public QIconEngine {
 public:
  TThemeIconEngine(QString themeName, QString path) : FThemeName(std::move(themeName)), FPath(std::move(path)) {}

  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
    if (FromTheme())
      FTheme.paint(painter, rect, Qt::AlignCenter, mode, state);
    else if (FOwn)
      FOwn->paint(painter, rect, mode, state);
  }
  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    if (FromTheme()) return FTheme.pixmap(size, 1.0, mode, state);
    return FOwn ? FOwn->pixmap(size, mode, state) : QPixmap();
  }
  QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    if (FromTheme()) return FTheme.actualSize(size, mode, state);
    return FOwn ? FOwn->actualSize(size, mode, state) : QSize();
  }
  QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
    if (FromTheme()) return FTheme.availableSizes(mode, state);
    return FOwn ? FOwn->availableSizes(mode, state) : QList<QSize>();
  }
  QString iconName() override { return FromTheme() ? FTheme.name() : QString(); }
  QIconEngine* clone() const override { return new TThemeIconEngine(FThemeName, FPath); }
  QString key() const override { return QStringLiteral("TThemeIconEngine"); }

 private:
  // Looks the picture up on the first call: true when the theme has it.
  bool FromTheme() {
    if (!FLookedUp) {
      FLookedUp = true;
      if (QIcon::hasThemeIcon(FThemeName))
        FTheme = QIcon::fromTheme(FThemeName);
      else
        FOwn = OwnEngine(FPath);
    }
    return !FTheme.isNull();
  }

  QString FThemeName;
  QString FPath;
  bool FLookedUp = false;
  QIcon FTheme;
  std::unique_ptr<TSvgIconEngine> FOwn;
};

}  // namespace

QIcon OwnIcon(const QString& name) {
  auto engine = OwnEngine(ResourcePath(name));
  return engine ? QIcon(engine.release()) : QIcon();
}

QIcon ActionIcon(const QString& themeName, const QString& name) {
  if (themeName.isEmpty()) return OwnIcon(name);
  return QIcon(new TThemeIconEngine(themeName, ResourcePath(name)));
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
