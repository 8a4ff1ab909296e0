#include "features/data_out/data_out_feature.h"

#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>

#include "features/data_out/data_out.h"
#include "features/data_out/input_watch.h"

DataOutFeature::DataOutFeature() = default;
DataOutFeature::~DataOutFeature() = default;

void DataOutFeature::CreateParts(const FrameParts& parts) {
  m_pDataOut = std::make_unique<DataOut>(parts);
  if (QMenu* file = MenuNamed(parts.menuBar, "File"))
    m_pDataOut->CreateParts(file, parts.statusBar);
  m_pInputWatch = std::make_unique<InputWatch>(parts.statusBar, m_pDataOut.get());
}

bool DataOutFeature::OnCommand(int id) {
  return m_pDataOut != nullptr && m_pDataOut->OnCommand(id);
}
