#include "About.h"
#include "InfoWnd.h"
#include "ProgressWnd.h"
#include "Version.h"
#include "WindowLook.h"

#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScreen>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

namespace {

TEST(ProgressW, StartStepsAndRestarts) {
  TProgressW w;
  EXPECT_FALSE(w.isVisible());
  w.StartProgress(QStringLiteral("Write"), QStringLiteral("Writing profile"), 96);
  EXPECT_TRUE(w.isVisible());
  EXPECT_EQ(w.windowTitle(), QStringLiteral("Write"));
  EXPECT_EQ(w.What->text(), QStringLiteral("Writing profile"));
  EXPECT_EQ(w.Progress->value(), 0);
  for (int i = 0; i < 96; ++i) w.StepProgress();
  EXPECT_EQ(w.Progress->value(), w.Progress->maximum());
  EXPECT_EQ(w.Progress->maximum(), 96);

  w.SetProgressMessage(QStringLiteral("Verifying"));
  EXPECT_EQ(w.What->text(), QStringLiteral("Verifying"));
  w.StartProgress(QStringLiteral("Read"), QStringLiteral("Reading profile"), 10);
  EXPECT_EQ(w.Progress->value(), 0);
  EXPECT_EQ(w.Progress->maximum(), 10);
  EXPECT_EQ(w.windowTitle(), QStringLiteral("Read"));
  EXPECT_EQ(w.What->text(), QStringLiteral("Reading profile"));
  w.hide();
}

template <typename TDialog>
void ExpectEnterCloses(TDialog& dialog) {
  dialog.open();  // window-modal, without a nested loop
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  QTest::keyClick(&dialog, Qt::Key_Return);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

// The transfer keeps the GUI thread busy after StartProgress: the window must already be on the
// screen then, and each step must reach it without the event loop.
TEST(ProgressW, IsOnScreenBeforeTheCallerGoesOn) {
  TProgressW w;
  w.StartProgress(QStringLiteral("Progress"), QStringLiteral("Writing profile"), 96);
  ASSERT_TRUE(w.windowHandle() && w.windowHandle()->isExposed());
  const QImage before = w.grab().toImage();
  for (int i = 0; i < 48; ++i) w.StepProgress();
  EXPECT_NE(w.grab().toImage(), before);
}

TEST(InfoDlg, ShowsTheConnectionHintsAndClosesOnEnter) {
  QWidget owner;  // the dialog stands in the middle of the screen, not over its owner
  owner.setGeometry(0, 0, 120, 80);
  owner.show();
  TInfoDlg dialog(&owner);
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Information"));
  EXPECT_EQ(dialog.size(), QSize(313, 214));
  EXPECT_TRUE(dialog.Memo1->isReadOnly());
  EXPECT_EQ(dialog.Memo1->toPlainText().split(QLatin1Char('\n')).size(), 4);
  EXPECT_TRUE(dialog.Memo1->toPlainText().endsWith(QStringLiteral("Is download cable rotated right?")));
  dialog.open();
  const QPoint centre = QGuiApplication::primaryScreen()->availableGeometry().center();
  EXPECT_LE((dialog.geometry().center() - centre).manhattanLength(), 16);  // up to the frame
  ExpectEnterCloses(dialog);
}

TEST(AboutBox, ShowsTheBuildVersionAndClosesOnEnter) {
  TAboutBox dialog;
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("About"));
  EXPECT_EQ(dialog.Label1->text(), QStringLiteral("Torvanic Speedo Programmer"));
  // "Version 2.0" for a build of version 2.0.x.
  EXPECT_TRUE(QStringLiteral(TORVANIC_VERSION).startsWith(dialog.Label2->text().mid(8) + QLatin1Char('.')))
      << dialog.Label2->text().toStdString();
  EXPECT_TRUE(dialog.Label2->text().startsWith(QStringLiteral("Version ")));
  EXPECT_FALSE(dialog.ProgramIcon->pixmap().isNull());
  // The three labels share one centre line, 160 pixels from the panel's left edge.
  for (QLabel* l : {dialog.Label1, dialog.Label2, dialog.Label3}) EXPECT_EQ(l->geometry().center().x() + 1, 160);
  ExpectEnterCloses(dialog);
}

// A toolbar icon whose theme picture the desktop does not have (the theme is looked up only when
// the icon is first drawn) shows the program's own picture, pixel for pixel, at every density and
// both through the pixmap a button asks for and through painting.
TEST(ActionIcon, WithoutTheThemePictureDrawsTheOwnOne) {
  const QIcon own = OwnIcon(QStringLiteral("open"));
  for (const qreal ratio : {1.0, 1.25, 2.0}) {
    SCOPED_TRACE(ratio);
    const QIcon icon = ActionIcon(QStringLiteral("torvanic-no-such-theme-icon"), QStringLiteral("open"));
    const QImage expected = own.pixmap(QSize(24, 24), ratio).toImage();
    const QImage got = icon.pixmap(QSize(24, 24), ratio).toImage();
    EXPECT_FALSE(expected.isNull());
    EXPECT_EQ(got, expected);
    EXPECT_EQ(got.devicePixelRatio(), expected.devicePixelRatio());
    auto painted = [ratio](const QIcon& i) {
      QImage image(QSize(32, 32) * ratio, QImage::Format_ARGB32_Premultiplied);
      image.setDevicePixelRatio(ratio);
      image.fill(Qt::white);
      QPainter painter(&image);
      i.paint(&painter, QRect(4, 4, 24, 24));
      return image;
    };
    EXPECT_EQ(painted(icon), painted(own));
  }
}

}  // namespace
