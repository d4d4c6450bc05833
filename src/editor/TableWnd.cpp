#include "TableWnd.h"

#include "EntryText.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace {

// Y is typed into a spin field of the profile's range, so an out-of-range value cannot be entered.
class TYDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const override {
    auto* spin = new QSpinBox(parent);
    spin->setRange(0, 255);
    spin->setFrame(false);
    spin->setAccessibleName(QStringLiteral("Y"));
    return spin;
  }
};

const char* const Headers[] = {"Entry", "X", "Stick %", "Y", "Output %", "Breakpoint", "Background Y"};

}  // namespace

TProfileTableModel::TProfileTableModel(TEditorLink link, QObject* parent)
    : QAbstractTableModel(parent), FLink(std::move(link)), FBackgroundShown(FLink.State->ShowBackground) {}

int TProfileTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : FLink.State->Profile.LastIndex() + 1;
}

int TProfileTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : FBackgroundShown ? tcBackgroundY + 1 : tcBackgroundY;
}

QString TProfileTableModel::Cell(int row, int column) const {
  const TSpeedoDevice& profile = FLink.State->Profile;
  const TPoint p = profile.GetPoint(row);
  switch (column) {
    case tcEntry: return QString::number(row);
    case tcX: return FineXText(p.X);
    case tcStick: return StickPercentText(p.X);
    case tcY: return QString::number(p.Y);
    case tcOutput: return OutputPercentText(p.Y);
    case tcBreakpoint: return profile.IsBreakpoint(row) ? QStringLiteral("yes") : QStringLiteral("no");
    case tcBackgroundY: return QString::number(FLink.State->BgProfile.GetY(row));
    default: return {};
  }
}

QVariant TProfileTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount()) return {};
  switch (role) {
    case Qt::DisplayRole: return Cell(index.row(), index.column());
    case Qt::EditRole: return index.column() == tcY ? QVariant(FLink.State->Profile.GetY(index.row())) : QVariant();
    case Qt::TextAlignmentRole:
      return index.column() == tcBreakpoint ? QVariant(Qt::AlignCenter) : QVariant(Qt::AlignRight | Qt::AlignVCenter);
    default: return {};
  }
}

QVariant TProfileTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= columnCount())
    return QAbstractTableModel::headerData(section, orientation, role);
  return QString::fromLatin1(Headers[section]);
}

Qt::ItemFlags TProfileTableModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags f = QAbstractTableModel::flags(index);
  if (index.isValid() && index.column() == tcY && YEditable(FLink.State->Profile, index.row())) f |= Qt::ItemIsEditable;
  return f;
}

bool TProfileTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::EditRole || !index.isValid() || index.column() != tcY) return false;
  bool number = false;
  const int y = value.toInt(&number);
  if (!number || y < 0 || y > 255) return false;
  FLink.SetY(index.row(), y);
  return FLink.State->Profile.GetY(index.row()) == y;
}

void TProfileTableModel::Refresh() {
  if (FBackgroundShown != FLink.State->ShowBackground) {
    beginResetModel();
    FBackgroundShown = FLink.State->ShowBackground;
    endResetModel();
    return;
  }
  emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

QString TProfileTableModel::Text(const QList<int>& rows) const {
  QStringList header;
  for (int c = 0; c < columnCount(); ++c) header << QString::fromLatin1(Headers[c]);
  QString text = header.join(QLatin1Char('\t')) + QLatin1Char('\n');
  for (int r : rows) {
    if (r < 0 || r >= rowCount()) continue;
    QStringList cells;
    for (int c = 0; c < columnCount(); ++c) cells << Cell(r, c);
    text += cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
  }
  return text;
}

TTableWnd::TTableWnd(TEditorLink link, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), FLink(link) {
  setObjectName(QStringLiteral("TableW"));
  setWindowTitle(QStringLiteral("Profile table"));
  Model = new TProfileTableModel(std::move(link), this);
  Table = new QTableView(this);
  Table->setObjectName(QStringLiteral("Table"));
  Table->setAccessibleName(QStringLiteral("Profile table"));
  Table->setModel(Model);
  Table->setItemDelegateForColumn(TProfileTableModel::tcY, new TYDelegate(Table));
  Table->setSelectionBehavior(QAbstractItemView::SelectRows);
  Table->setSelectionMode(QAbstractItemView::ExtendedSelection);
  Table->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                         QAbstractItemView::AnyKeyPressed);
  Table->verticalHeader()->hide();
  Table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  Table->setContextMenuPolicy(Qt::ActionsContextMenu);
  auto* copy = new QAction(QStringLiteral("Copy"), Table);
  copy->setShortcut(QKeySequence::Copy);
  copy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  connect(copy, &QAction::triggered, this, &TTableWnd::CopyRows);
  Table->addAction(copy);
  addActions(FLink.Shared);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(Table);
  resize(440, 480);
  connect(Table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) { CurrentRowChanged(current.row()); });
  Changed();
}

void TTableWnd::Changed() {
  Model->Refresh();
  const int selected = FLink.State->Selected;
  if (selected < 0 || selected >= Model->rowCount() || Table->currentIndex().row() == selected) return;
  FFollowing = true;
  // Up and Down walk the Y column, where typing a number edits at once.
  const int column = Table->currentIndex().isValid() ? Table->currentIndex().column() : TProfileTableModel::tcY;
  Table->selectionModel()->setCurrentIndex(Model->index(selected, column),
                                           QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  Table->scrollTo(Model->index(selected, column));
  FFollowing = false;
}

void TTableWnd::CurrentRowChanged(int row) {
  if (!FFollowing && row >= 0 && row != FLink.State->Selected) FLink.Select(row);
}

void TTableWnd::CopyRows() {
  QList<int> rows;
  for (const QModelIndex& i : Table->selectionModel()->selectedRows()) rows << i.row();
  if (rows.isEmpty())
    for (int r = 0; r < Model->rowCount(); ++r) rows << r;
  std::sort(rows.begin(), rows.end());
  QGuiApplication::clipboard()->setText(Model->Text(rows));
}
