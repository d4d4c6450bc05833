#include "ConnectionCheckWnd.h"

#include "WindowLook.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

TConnectionCheckW::TConnectionCheckW(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("CheckW"));
  setWindowTitle(QStringLiteral("Connection check"));
  Findings = new QPlainTextEdit(this);
  Findings->setObjectName(QStringLiteral("Findings"));
  Findings->setReadOnly(true);
  Findings->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  Findings->setMinimumSize(540, 240);
  Findings->setAccessibleName(QStringLiteral("Findings"));
  SearchBtn = new QPushButton(QStringLiteral("Look on the other ports"), this);
  SearchBtn->setObjectName(QStringLiteral("SearchBtn"));
  SearchBtn->hide();
  CloseBtn = new QPushButton(QStringLiteral("Close"), this);
  CloseBtn->setObjectName(QStringLiteral("CloseBtn"));
  CloseBtn->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(SearchBtn);
  buttons->addStretch();
  buttons->addWidget(CloseBtn);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Findings);
  layout->addLayout(buttons);
  connect(CloseBtn, &QPushButton::clicked, this, &QDialog::accept);
  connect(SearchBtn, &QPushButton::clicked, this, [this] {
    SearchBtn->hide();
    if (auto search = std::exchange(FSearch, {})) search();
  });
  CentreOnScreen(*this);
}

QString TConnectionCheckW::FindingsText(const std::vector<TFinding>& findings) {
  QStringList paragraphs;
  for (const auto& f : findings) {
    QString p = QString::fromStdString(f.Text);
    for (const auto& command : f.Commands) p += QStringLiteral("\n    ") + QString::fromStdString(command);
    paragraphs << p;
  }
  return paragraphs.join(QStringLiteral("\n\n"));
}

void TConnectionCheckW::SetFindings(const std::vector<TFinding>& findings) {
  FShown = findings;
  Findings->setPlainText(FindingsText(FShown));
  setAccessibleDescription(Findings->toPlainText());  // read with the window when it appears
}

void TConnectionCheckW::AddFinding(const TFinding& finding) {
  FShown.push_back(finding);
  Findings->setPlainText(FindingsText(FShown));
  setAccessibleDescription(Findings->toPlainText());
}

void TConnectionCheckW::OfferSearch(std::function<void()> search) {
  FSearch = std::move(search);
  SearchBtn->setVisible(static_cast<bool>(FSearch));
}
