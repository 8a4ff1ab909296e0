#include "features/live/input_device_dlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace {

constexpr char kDefaultRow[] = "System default";

}  // namespace

InputDeviceRows ListInputDeviceRows(const WaveInDeviceList& devices) {
  static const char* const kServerEntries[] = {"default", "pulse", "pipewire"};
  InputDeviceRows rows;
  rows.texts.emplace_back(kDefaultRow);
  rows.names.emplace_back();
  for (size_t i = 0; i < devices.names.size(); ++i) {
    const std::string& name = devices.names[i];
    bool systemDefault = false;
    for (const char* entry : kServerEntries) systemDefault = systemDefault || name == entry;
    if (systemDefault) continue;
    if (std::find(rows.names.begin(), rows.names.end(), name) != rows.names.end()) continue;
    rows.texts.push_back(name);
    rows.names.push_back(name);
  }
  return rows;
}

std::string DeviceNameOfInput(const std::string& spec) {
  return spec.rfind("device:", 0) == 0 ? spec.substr(7) : std::string();
}

InputDeviceDlg::InputDeviceDlg(const WaveInDeviceList& devices, const std::string& current,
                               QWidget* parent)
    : QDialog(parent), m_rows(ListInputDeviceRows(devices)) {
  setWindowTitle("Input Device List");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel("Record from (used at the next POWER on):"));
  m_pList = new QListWidget;
  layout->addWidget(m_pList);
  // The server's entries are in use through the system default row.
  int currentRow = 0;
  for (size_t row = 0; row < m_rows.texts.size(); ++row) {
    m_pList->addItem(QString::fromStdString(m_rows.texts[row]));
    if (!current.empty() && m_rows.names[row] == current) currentRow = static_cast<int>(row);
  }
  // The one in use carries the check mark and starts selected.
  for (int row = 0; row < m_pList->count(); ++row) {
    QListWidgetItem* item = m_pList->item(row);
    item->setFlags(item->flags() & ~Qt::ItemIsUserCheckable);
    item->setCheckState(row == currentRow ? Qt::Checked : Qt::Unchecked);
  }
  m_pList->setCurrentRow(currentRow);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(m_pList, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
  layout->addWidget(buttons);
}

std::string InputDeviceDlg::Chosen() const {
  const int row = m_pList->currentRow();
  if (row <= 0 || row >= static_cast<int>(m_rows.names.size())) return std::string();
  return m_rows.names[static_cast<size_t>(row)];
}
