#include "About.h"

#include "Version.h"
#include "WindowLook.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

namespace {

// A label centred on the column 160 pixels from the panel's left edge, right of the icon.
QLabel* CentredLabel(QWidget* panel, const QString& text, int top, const char* name) {
  constexpr int centre = 160, halfWidth = 114;
  auto* label = new QLabel(text, panel);
  label->setObjectName(QString::fromLatin1(name));
  label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  label->setGeometry(centre - halfWidth, top, 2 * halfWidth, 16);
  return label;
}

}  // namespace

TAboutBox::TAboutBox(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("AboutBox"));
  setWindowTitle(QStringLiteral("About"));
  setFixedSize(298, 126);

  // A lowered outer bevel around a raised inner one.
  Panel1 = new QFrame(this);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setGeometry(8, 8, 281, 73);
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Panel1->setLineWidth(1);
  auto* inner = new QFrame(Panel1);
  inner->setGeometry(1, 1, 279, 71);
  inner->setFrameStyle(QFrame::Panel | QFrame::Raised);
  inner->setLineWidth(1);

  ProgramIcon = new QLabel(Panel1);
  ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
  ProgramIcon->setGeometry(8, 20, 33, 33);
  ProgramIcon->setPixmap(ProgramIconPixmap(4 * 33));  // scaled down to the screen's density: sharp up to 400 %
  ProgramIcon->setScaledContents(true);

  Label1 = CentredLabel(Panel1, QStringLiteral("Torvanic Speedo Programmer"), 12, "Label1");
  Label2 = CentredLabel(Panel1, QStringLiteral("Version %1.%2").arg(TORVANIC_VERSION_MAJOR).arg(TORVANIC_VERSION_MINOR),
                        32, "Label2");
  Label2->setToolTip(QStringLiteral("Build " TORVANIC_VERSION));
  Label3 = CentredLabel(Panel1, QStringLiteral("Copyright \u00A9 the Torvanic developers"), 52, "Label3");

  OKButton = new QPushButton(QStringLiteral("OK"), this);
  OKButton->setObjectName(QStringLiteral("OKButton"));
  OKButton->setGeometry(103, 92, 75, 25);
  OKButton->setDefault(true);
  connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
  CentreOnScreen(*this);
}
