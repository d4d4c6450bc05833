#include "ControlPanel.h"

#include "EntryText.h"

#include "DiagramEditor.h"
#include "ProfileDocument.h"

#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSpinBox>

#include <algorithm>

namespace {

constexpr int PanelWidth = 748;
constexpr int PanelHeight = 80;

template <typename T>
T* Named(T* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

void PlaceLabel(QWidget* parent, const QString& text, int x, int y) {
  auto* label = new QLabel(text, parent);
  label->move(x, y);
  label->adjustSize();
}

}  // namespace

TControlPanel::TControlPanel(QWidget* parent, int top, TProfileDocument& document, TDiagramEditor& editor,
                             QAction* showBackground, const TCommandRunner& command)
    : QObject(parent), FDocument(document), FEditor(editor), ShowBackground1(showBackground) {
  Panel1 = Named(new QFrame(parent), "Panel1");
  Panel1->setGeometry(0, top, PanelWidth, PanelHeight);
  Panel1->setFrameStyle(QFrame::NoFrame);
  CreateFineAdjustment();
  CreateFrequencies();
  CreateDeadband();
  GroupBox5 = Named(new QGroupBox(QStringLiteral("Port"), Panel1), "GroupBox5");
  GroupBox5->setGeometry(408, 3, 121, 69);
  const TSpedV4Device& profile = document.State().Profile;
  CurrXSB->setRange(0, profile.LastIndex());
  DBandSB->setRange(0, profile.MaxDeadband());
  Connect(command);
}

void TControlPanel::CreateFineAdjustment() {
  GroupBox1 = Named(new QGroupBox(QStringLiteral("Fine Adjustment"), Panel1), "GroupBox1");
  GroupBox1->setGeometry(8, 4, 153, 69);
  PlaceLabel(GroupBox1, QStringLiteral("X"), 16, 20);
  CurrX = Named(new QLineEdit(QStringLiteral("0"), GroupBox1), "CurrX");
  CurrX->setGeometry(28, 16, 37, 21);
  CurrX->setReadOnly(true);
  PlaceLabel(GroupBox1, QStringLiteral("Y"), 76, 20);
  CurrY = Named(new QSpinBox(GroupBox1), "CurrY");
  CurrY->setGeometry(88, 16, 49, 21);
  CurrY->setRange(0, 255);
  CurrY->setValue(0);
  // Arrows only: the value changes by the up and down buttons or keys, never by typing.
  CurrY->findChild<QLineEdit*>()->setReadOnly(true);
  CurrXSB = Named(new QScrollBar(Qt::Horizontal, GroupBox1), "CurrXSB");
  CurrXSB->setGeometry(12, 44, 125, 17);
  CurrXSB->setPageStep(1);
  CurrXSB->setInvertedControls(false);  // the right arrow key moves to the right
}

void TControlPanel::CreateFrequencies() {
  GroupBox2 = Named(new QGroupBox(QStringLiteral("Frequencies"), Panel1), "GroupBox2");
  GroupBox2->setGeometry(172, 4, 113, 69);
  PlaceLabel(GroupBox2, QStringLiteral("Fwd"), 8, 20);
  // Drop-down lists: only listed names can be chosen, so an item's position is always a valid
  // frequency index.
  FwdFreq = Named(new QComboBox(GroupBox2), "FwdFreq");
  FwdFreq->setGeometry(32, 16, 69, 21);
  PlaceLabel(GroupBox2, QStringLiteral("Brk"), 8, 44);
  BrkFreq = Named(new QComboBox(GroupBox2), "BrkFreq");
  BrkFreq->setGeometry(32, 40, 69, 21);
}

void TControlPanel::CreateDeadband() {
  GroupBox3 = Named(new QGroupBox(QStringLiteral("Deadband"), Panel1), "GroupBox3");
  GroupBox3->setGeometry(296, 4, 97, 69);
  DBand = Named(new QLineEdit(GroupBox3), "DBand");
  DBand->setGeometry(32, 16, 37, 21);
  DBand->setReadOnly(true);  // shows the level; the scroll bar sets it
  DBandSB = Named(new QScrollBar(Qt::Horizontal, GroupBox3), "DBandSB");
  DBandSB->setGeometry(12, 44, 77, 17);
  DBandSB->setPageStep(1);
  DBandSB->setInvertedControls(false);
}

void TControlPanel::Connect(const TCommandRunner& command) {
  connect(CurrXSB, &QScrollBar::valueChanged, this, [this, command] { command([this] { CurrXSBChange(); }); });
  connect(CurrY, &QSpinBox::valueChanged, this, [this, command] { command([this] { CurrYChange(); }); });
  // The profile keeps both frequencies in one setting, so that a change of either list stores the
  // pair as the two lists show it: both lists share one handler.
  connect(FwdFreq, &QComboBox::activated, this, [this, command] { command([this] { FwdFreqChange(); }); });
  connect(BrkFreq, &QComboBox::activated, this, [this, command] { command([this] { FwdFreqChange(); }); });
  // Only the user's scroll actions; sliderPosition is where the action moves the bar.
  connect(DBandSB, &QScrollBar::actionTriggered, this,
          [this, command] { command([this] { DBandSBScroll(DBandSB->sliderPosition()); }); });
}

QList<QWidget*> TControlPanel::Fields() const { return {CurrX, CurrY, DBand}; }

void TControlPanel::LoadFrequencies() {
  const TSpedV4Device& profile = FDocument.State().Profile;
  FwdFreq->clear();
  BrkFreq->clear();
  for (int i = 0; i <= profile.LastFrequencyIndex(); ++i) {
    const QString name = QString::fromStdString(profile.FrequencyName(i));
    FwdFreq->addItem(name);
    BrkFreq->addItem(name);
  }
  FwdFreq->setCurrentIndex(0);
  BrkFreq->setCurrentIndex(0);
}

void TControlPanel::UpdateButtonStates() {
  const TEditorState& s = FDocument.State();
  ShowBackground1->setChecked(s.ShowBackground);
  if (s.Selected >= 0 && s.Selected <= s.Profile.LastIndex()) {
    const TPoint p = s.Profile.GetPoint(s.Selected);
    CurrX->setText(FineXText(p.X));
    CurrXSB->setValue(s.Selected);
    CurrY->setValue(p.Y);
  }
  DBandSB->setValue(s.Profile.GetDeadband());
  DBand->setText(QString::number(s.Profile.GetDeadband()));
  int forward = 0, brake = 0;
  s.Profile.GetFrequencies(forward, brake);
  FwdFreq->setCurrentIndex(forward);
  BrkFreq->setCurrentIndex(brake);
  if (OnChanged) OnChanged();
}

void TControlPanel::MoveSelection(int delta) {
  CurrXSB->setValue(std::clamp(CurrXSB->value() + delta, CurrXSB->minimum(), CurrXSB->maximum()));
}

void TControlPanel::StepY(int delta) { CurrY->setValue(CurrY->value() + delta); }  // kept to 0..255

void TControlPanel::SelectEntry(int entry) { CurrXSB->setValue(entry); }

void TControlPanel::SetYField(int y) { CurrY->setValue(y); }

void TControlPanel::CurrXSBChange() {
  FEditor.Select(CurrXSB->value());
  UpdateButtonStates();
}

void TControlPanel::CurrYChange() {
  TEditorState& s = FDocument.State();
  if (s.Selected < 0 || s.Selected > s.Profile.LastIndex()) return;
  const int y = s.Profile.GetY(s.Selected);
  if (s.Selected == 0 || s.Selected == s.Profile.LastIndex() || s.Profile.InDeadband(s.Selected)) {
    CurrY->setValue(y);
    return;
  }
  if (CurrY->value() == y) return;
  // Steps on one entry, one after the other, undo together.
  TUndoHistory::TStep step(FDocument.History(), s, s.Selected);
  s.Profile.SetY(s.Selected, static_cast<uint8_t>(CurrY->value()));
  FEditor.RedrawAll();  // the whole image, the selection box with it
  if (OnChanged) OnChanged();
}

void TControlPanel::FwdFreqChange() {
  TUndoHistory::TStep step(FDocument.History(), FDocument.State());
  FDocument.State().Profile.SetFrequencies(FwdFreq->currentIndex(), BrkFreq->currentIndex());
  UpdateButtonStates();
}

void TControlPanel::DBandSBScroll(int position) {
  TUndoHistory::TStep step(FDocument.History(), FDocument.State());
  FDocument.State().Profile.SetDeadband(position);
  DBand->setText(QString::number(position));
  FEditor.RedrawAll();
  UpdateButtonStates();
}
