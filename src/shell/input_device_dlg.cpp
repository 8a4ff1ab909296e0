#include "shell/input_device_dlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

namespace {

constexpr char kDefaultRow[] = "System default";

}  // namespace

std::string DeviceNameOfInput(const std::string& spec) {
  return spec.rfind("device:", 0) == 0 ? spec.substr(7) : std::string();
}

CInputDeviceDlg::CInputDeviceDlg(const WaveInDeviceList& devices, const std::string& current,
                                 QWidget* parent)
    : QDialog(parent), m_devices(devices) {
  setWindowTitle("Input Device List");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel("Record from (used at the next POWER on):"));
  m_pList = new QListWidget;
  layout->addWidget(m_pList);
  QString defaultText = kDefaultRow;
  if (devices.defaultIndex >= 0) {
    defaultText +=
        QString(" (%1)").arg(QString::fromStdString(devices.names[devices.defaultIndex]));
  }
  m_pList->addItem(defaultText);
  int currentRow = 0;
  for (size_t i = 0; i < devices.names.size(); ++i) {
    m_pList->addItem(QString::fromStdString(devices.names[i]));
    if (!current.empty() && devices.names[i] == current) currentRow = static_cast<int>(i) + 1;
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

std::string CInputDeviceDlg::Chosen() const {
  const int row = m_pList->currentRow();
  if (row <= 0 || row > static_cast<int>(m_devices.names.size())) return std::string();
  return m_devices.names[static_cast<size_t>(row - 1)];
}
