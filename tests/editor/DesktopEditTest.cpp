// Copy and paste of a profile, the shape dialog, profiles named on the command line or dropped on
// the window, and the diagram's keys.
#include "MainFormFixture.h"

#include "ShapeDlg.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QScrollBar>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QUrl>

#include <cstdlib>

namespace {

class DesktopEditTest : public MainFormTest {
 protected:
  QString Saved(const QString& name, int entry, int y) {
    TSpedV4Device p;
    p.Clear();
    p.SetY(entry, static_cast<uint8_t>(y));
    const QString file = Dir.filePath(name);
    p.SaveToFile(file.toStdString());
    return file;
  }
  void Key(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    QTest::keyClick(target, key, modifiers);
  }
  void Key(Qt::Key key) { QTest::keyClick(Form.windowHandle(), key); }  // to the focused widget
  QTemporaryDir Dir;
};

TEST_F(DesktopEditTest, CopyGivesTheFilesBytesAndPasteLoadsThemAsOpenDoes) {
  Click(Qt::LeftButton, PixelOf(16));
  Key(Form.findChild<QSpinBox*>("CurrY"), Qt::Key_Up);
  Key(Form.findChild<QScrollBar*>("DBandSB"), Qt::Key_Right);
  const QString file = Dir.filePath(QStringLiteral("copy.spp"));
  Dialogs.FileAnswers = {file};
  Form.findChild<QAction*>("FileSaveAs1")->trigger();
  Key(Form.findChild<QSpinBox*>("CurrY"), Qt::Key_C,
      Qt::ControlModifier);  // the read-only Y field leaves the key to the profile
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  QFile saved(file);
  ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
  EXPECT_EQ(data->text().toLatin1(), saved.readAll());
  const QImage picture = qvariant_cast<QImage>(data->imageData());
  Form.Document().State().Selected = -1;
  EXPECT_EQ(picture, Redrawn());  // the diagram without the selection box
  Form.Document().State().Selected = 16;

  const std::string copied = Form.Document().State().Profile.SaveToText();
  Key(&Form, Qt::Key_N, Qt::ControlModifier);
  Key(&Form, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(Form.Document().State().Profile.SaveToText(), copied);
  EXPECT_EQ(Form.findChild<QLineEdit*>("DBand")->text(), QStringLiteral("2"));
  EXPECT_EQ(Form.Editor().View()->Image(), Redrawn());
  EXPECT_EQ(Form.Document().State().FileName, file);

  const QString old = QString::fromStdString(copied).replace(QStringLiteral("Version=4"), QStringLiteral("Version=3"));
  for (const QString& text : {QStringLiteral("chat text"), old, QString()}) {
    Form.Document().State().Profile.SetY(50, 1);
    const std::string before = Form.Document().State().Profile.SaveToText();
    text.isEmpty() ? QGuiApplication::clipboard()->setImage(picture) : QGuiApplication::clipboard()->setText(text);
    Key(&Form, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Dialogs.Informations.takeLast(), QStringLiteral("The clipboard holds no profile."));
    EXPECT_EQ(Form.Document().State().Profile.SaveToText(), before);
  }
}

TEST_F(DesktopEditTest, ShapeSetsTheCurveByTheFormula) {
  struct TRow {
    TShape Shape;
    int Entry, Y, Tolerance;  // Y worked out by hand; a fitted cubic may lie off by one
  };
  const TRow rows[] = {
      {{100, 0, 100, 0}, 16, 123, 0},     // X 32: 255 x 30/62 = 123.39
      {{100, 0, 100, 0}, 48, 65, 0},      // X 80: 255 x 16/63 = 64.76
      {{50, 0, 50, 0}, 0, 128, 0},        // 127.5, halves to even
      {{100, 100, 100, 100}, 16, 29, 1},  // 255 x (30/62)^3 = 28.89
      {{80, 100, 80, 50}, 64, 27, 1},     // X 96: 204 x (32/63)^3 = 26.73
  };
  for (const TRow& row : rows) {
    Dialogs.OnModal = [&](QDialog& d) {
      auto& dialog = static_cast<TShapeDlg&>(d);
      const QImage plot = dialog.ShapePlot->grab().toImage();
      const bool same = dialog.Shape() == row.Shape;
      dialog.FwdEnd->setValue(row.Shape.FwdEnd);
      dialog.FwdExpo->setValue(row.Shape.FwdExpo);
      dialog.BrkEnd->setValue(row.Shape.BrkEnd);
      dialog.BrkExpo->setValue(row.Shape.BrkExpo);
      EXPECT_EQ(dialog.ShapePlot->grab().toImage() == plot, same);  // the plot follows the fields
      dialog.accept();
    };
    Form.findChild<QAction*>("Shape1")->trigger();
    EXPECT_LE(std::abs(Form.Document().State().Profile.GetY(row.Entry) - row.Y), row.Tolerance) << row.Entry;
    EXPECT_EQ(Form.Document().State().Profile.GetY(32), 0);
  }
  Key(Form.findChild<QScrollBar*>("DBandSB"), Qt::Key_Right);
  Key(Form.findChild<QScrollBar*>("DBandSB"), Qt::Key_Right);
  Form.findChild<QAction*>("Shape1")->trigger();
  EXPECT_EQ(Form.Document().State().Profile.GetDeadband(), 3);
  for (int i = 0; i <= 95; ++i)
    EXPECT_TRUE(!Form.Document().State().Profile.InDeadband(i) || Form.Document().State().Profile.GetY(i) == 0) << i;
  EXPECT_EQ(Form.Editor().View()->Image(), Redrawn());

  const std::string before = Form.Document().State().Profile.SaveToText();
  Dialogs.OnModal = [](QDialog& d) { static_cast<TShapeDlg&>(d).BrkEnd->setValue(10), d.reject(); };
  Form.findChild<QAction*>("Shape1")->trigger();
  EXPECT_EQ(Form.Document().State().Profile.SaveToText(), before);
}

TEST_F(DesktopEditTest, FileNamedOnTheCommandLineOpensAsOpenDoes) {
  const QString good = Saved(QStringLiteral("good.spp"), 40, 9);
  const QString missing = Dir.filePath(QStringLiteral("missing.spp"));
  Form.OpenArguments({});
  EXPECT_EQ(Form.windowTitle(), QStringLiteral("TORVANIC"));
  Form.OpenArguments({missing, good});
  EXPECT_EQ(Dialogs.Informations, QStringList{QStringLiteral("Failed to load profile from file ") + missing});
  EXPECT_EQ(Form.Document().State().FileName, QStringLiteral("noname.spp"));
  const QString start = QDir::currentPath();
  QDir::setCurrent(Dir.path());
  Form.OpenArguments({QStringLiteral("good.spp"), missing});
  QDir::setCurrent(start);
  EXPECT_EQ(Form.Document().State().Profile.GetY(40), 9);
  EXPECT_EQ(Form.windowTitle(), QStringLiteral("TORVANIC [") + good + QStringLiteral("]"));
}

TEST_F(DesktopEditTest, DroppedProfileOpens) {
  const QString good = Saved(QStringLiteral("drop.spp"), 70, 33);
  const QString other = Saved(QStringLiteral("drop.txt"), 70, 44);
  for (const QString& file : {other, good}) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(file)});
    const QPointF at = InWindow({300, 100});
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(Form.windowHandle(), &enter);
    EXPECT_EQ(enter.isAccepted(), file == good);
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, {});
    if (enter.isAccepted()) QCoreApplication::sendEvent(Form.windowHandle(), &drop);
    QCoreApplication::processEvents();
  }
  EXPECT_EQ(Form.Document().State().Profile.GetY(70), 33);
  EXPECT_EQ(Form.Document().State().FileName, good);
}

TEST_F(DesktopEditTest, DiagramKeysSelectAndAdjustLikeTheFineAdjustment) {
  Click(Qt::LeftButton, PixelOf(62));  // makes entry 62 (Y 125) a breakpoint and takes the focus
  ASSERT_EQ(Form.focusWidget(), Form.Editor().View());
  struct TRow {
    Qt::Key Key;
    int Selected, Y;
  };
  const TRow rows[] = {{Qt::Key_Up, 62, 126},    {Qt::Key_PageUp, 62, 136}, {Qt::Key_PageDown, 62, 126},
                       {Qt::Key_Down, 62, 125},  {Qt::Key_Right, 63, -1},   {Qt::Key_Left, 62, 125},
                       {Qt::Key_Delete, 62, 125}};
  for (const TRow& row : rows) {
    Key(row.Key);
    EXPECT_EQ(Form.Document().State().Selected, row.Selected) << row.Key;
    EXPECT_EQ(Form.findChild<QScrollBar*>("CurrXSB")->value(), row.Selected) << row.Key;
    EXPECT_TRUE(row.Y < 0 || Form.Document().State().Profile.GetY(row.Selected) == row.Y) << row.Key;
  }
  EXPECT_FALSE(Form.Document().State().Profile.IsBreakpoint(62));  // Delete removed it, as a right click does
  ExpectRedrawnUpToBarsOverCurve();
  // The refusals of the Y field: the deadband entry 32 and the first entry stay.
  for (int entry : {32, 0}) {
    Form.findChild<QScrollBar*>("CurrXSB")->setValue(entry);
    Key(Qt::Key_PageUp);
    Key(Qt::Key_Left);
    EXPECT_EQ(Form.Document().State().Profile.GetY(entry), entry == 0 ? 255 : 0);
  }
  EXPECT_EQ(Form.Document().State().Selected, 0);
}

}  // namespace
