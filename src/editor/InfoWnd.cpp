#include "InfoWnd.h"

#include "WindowLook.h"

#include <QPlainTextEdit>
#include <QPushButton>

TInfoDlg::TInfoDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("InfoDlg"));
  setWindowTitle(QStringLiteral("Information"));
  setFixedSize(313, 214);
  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  Memo1->setGeometry(16, 12, 285, 157);
  Memo1->setReadOnly(true);
  Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  Memo1->setPlainText(
      QStringLiteral("If no connection with speedo check cables and power \n"
                     "connections. \n"
                     "\n"
                     "Is download cable rotated right?"));
  OKBtn = new QPushButton(QStringLiteral("OK"), this);
  OKBtn->setObjectName(QStringLiteral("OKBtn"));
  OKBtn->setGeometry(119, 180, 75, 25);
  OKBtn->setDefault(true);
  connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
  CentreOnScreen(*this);
}
