#include "gui/app/list_option_dialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "gui/app/alerts.h"
#include "gui/app/category_dialogs.h"
#include "gui/app/keyboard_access.h"
#include "gui/app/localization.h"

namespace {
// The pop-ups of the second and third keys start with "no key".
int FirstColumnItem(int key) { return key == 0 ? 0 : 1; }
}  // namespace

ListOptionDlg::ListOptionDlg(const QString& title, VELL_ARY* columnAry,
                             const KDX_CATEGORY_TITLE& titles, QWidget* parent)
    : QDialog(parent),
      columnAry_(columnAry),
      titles_(titles),
      options_(KDXCOMM_InitListOptions(columnAry, titles)),
      list_(new QTableWidget(this)) {
  setWindowTitle(title);
  const std::vector<std::string> names = KDXCOMM_GetListOptionTitles(options_, titles_);

  list_->setObjectName(QStringLiteral("columnList"));
  list_->setColumnCount(2);
  list_->setHorizontalHeaderLabels({KdxText("表示"), KdxText("項目")});
  list_->setAccessibleName(KdxText("一覧に表示する項目"));
  list_->setTabKeyNavigation(false);  // the arrows move; Tab goes on to the sort keys
  list_->setRowCount(static_cast<int>(names.size()));
  list_->verticalHeader()->hide();
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setShowGrid(false);
  list_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  list_->horizontalHeader()->setStretchLastSection(true);
  list_->verticalHeader()->setDefaultSectionSize(list_->fontMetrics().height() + 6);
  for (size_t row = 0; row < names.size(); ++row) {
    auto* shown = new QTableWidgetItem;
    shown->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    shown->setCheckState(options_.columns[row].cl_shown ? Qt::Checked : Qt::Unchecked);
    list_->setItem(static_cast<int>(row), 0, shown);
    auto* name = new QTableWidgetItem(QString::fromStdString(names[row]));
    name->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    list_->setItem(static_cast<int>(row), 1, name);
  }
  connect(list_, &QTableWidget::itemChanged, this, &ListOptionDlg::ShownChanged);
  list_->installEventFilter(this);

  auto* keys = new QGridLayout;
  const char* keyLabels[] = {"第１ソートキー", "第２ソートキー", "第３ソートキー"};
  for (int key = 0; key < 3; ++key) {
    const size_t k = static_cast<size_t>(key);
    keyBoxes_[k] = new QComboBox(this);
    keyBoxes_[k]->setObjectName(QStringLiteral("key%1").arg(key + 1));
    if (key > 0) keyBoxes_[k]->addItem(KdxText(kKdxNoSortKey));
    for (const std::string& name : names) keyBoxes_[k]->addItem(QString::fromStdString(name));
    keyBoxes_[k]->setMaxVisibleItems(keyBoxes_[k]->count());
    ascending_[k] = new QRadioButton(KdxText("昇順"), this);
    descending_[k] = new QRadioButton(KdxText("降順"), this);
    directions_[k] = new QButtonGroup(this);
    directions_[k]->addButton(ascending_[k], 1);
    directions_[k]->addButton(descending_[k], 0);
    keys->addWidget(KdxCaption(KdxText(keyLabels[key]), keyBoxes_[k], this), key, 0);
    keys->addWidget(keyBoxes_[k], key, 1);
    keys->addWidget(ascending_[k], key, 2);
    keys->addWidget(descending_[k], key, 3);
    connect(keyBoxes_[k], &QComboBox::activated, this,
            [this, key](int index) { KeyChosen(key, index); });
    connect(directions_[k], &QButtonGroup::idClicked, this,
            [this, k](int id) { options_.keyAscending[k] = id == 1; });
  }
  keys->setColumnStretch(1, 1);

  QDialogButtonBox* buttons = KdxOkCancelButtons(this);
  connect(buttons, &QDialogButtonBox::accepted, this, &ListOptionDlg::OnOK);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(list_, 1);
  layout->addLayout(keys);
  layout->addWidget(buttons);
  ShowKeys();
  resize(460, 640);
}

void ListOptionDlg::ShownChanged(QTableWidgetItem* item) {
  if (item == nullptr || item->column() != 0) return;
  const size_t row = static_cast<size_t>(item->row());
  if (row < options_.columns.size()) {
    options_.columns[row].cl_shown = item->checkState() == Qt::Checked;
  }
}

void ListOptionDlg::KeyChosen(int key, int index) {
  const int first = FirstColumnItem(key);
  const std::string title =
      index < first ? std::string(kKdxNoSortKey)
                    : keyBoxes_[static_cast<size_t>(key)]->itemText(index).toStdString();
  KDXCOMM_ChooseListOptionKey(&options_, titles_, key, title);
  ShowKeys();
}

void ListOptionDlg::ShowKeys() {
  const KdxListOptionControls controls = KDXCOMM_GetListOptionControls(options_);
  const std::array<bool, 3> directionOn{true, controls.secondDirection, controls.thirdDirection};
  for (size_t k = 0; k < 3; ++k) {
    const bool none = options_.keyTitle[k] == kKdxNoSortKey;
    const int index =
        none ? 0 : keyBoxes_[k]->findText(QString::fromStdString(options_.keyTitle[k]));
    keyBoxes_[k]->setCurrentIndex(index);
    (options_.keyAscending[k] ? ascending_[k] : descending_[k])->setChecked(true);
    ascending_[k]->setEnabled(directionOn[k]);
    descending_[k]->setEnabled(directionOn[k]);
  }
  keyBoxes_[2]->setEnabled(controls.thirdKey);
}

void ListOptionDlg::OnOK() {
  const int32_t result = KDXCOMM_ApplyListOptions(options_, titles_, columnAry_);
  if (result != kKdxListOptionsOk) {
    KDXCOMM_AlertOK(this, QString::fromStdString(KDXCOMM_ListOptionMessage(result)));
    return;
  }
  accept();
}

bool ListOptionDlg::eventFilter(QObject* watched, QEvent* event) {
  if (watched == list_ && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space) {
    if (QTableWidgetItem* item = list_->item(list_->currentRow(), 0)) {
      item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}
