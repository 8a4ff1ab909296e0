#pragma once

#include <QPointer>
#include <memory>

#include "features/instrument_feature.h"

class MeasurementPanel;
class MeasurementLog;
class MeasurementStation;
class QAction;

// The measurements: their readout beside the scope view (hidden unless chosen), View >
// Measurements, the measurement log and the statistics reset.
class MeasureFeature : public InstrumentFeature {
 public:
  MeasureFeature();
  ~MeasureFeature() override;
  void CreateParts(const FrameParts& parts) override;
  void CreatePanels(const FrameParts& parts) override;
  void FitPanels(int navWidth) override;
  bool OnCommand(int id) override;
  void OnBufferReady() override;
  const ParameterTable* SetupTable() const override;
  void ReadSetup(void* settings) const override;
  void ApplySetup(const void* settings, const SetupApplication& how) override;

  MeasurementStation* Station() const { return m_pMeasure.get(); }
  MeasurementPanel* Panel() const;
  MeasurementLog* Log() const { return m_pMeasureLog.get(); }

 private:
  void ShowPanel(bool show);

  FrameParts m_parts;
  std::unique_ptr<MeasurementStation> m_pMeasure;
  std::unique_ptr<MeasurementLog> m_pMeasureLog;
  QPointer<MeasurementPanel> m_pMeasurePanel;
  QAction* m_pMeasureAction = nullptr;
  QAction* m_pMeasureLogAction = nullptr;
};

// The measurements of features, their log and their readout; nullptr without the feature.
inline MeasurementStation* MeasurementsOf(const InstrumentFeatures& features) {
  auto* feature = FindFeature<MeasureFeature>(features);
  return feature != nullptr ? feature->Station() : nullptr;
}
inline MeasurementLog* MeasureLogOf(const InstrumentFeatures& features) {
  auto* feature = FindFeature<MeasureFeature>(features);
  return feature != nullptr ? feature->Log() : nullptr;
}
inline MeasurementPanel* MeasurePanelOf(const InstrumentFeatures& features) {
  auto* feature = FindFeature<MeasureFeature>(features);
  return feature != nullptr ? feature->Panel() : nullptr;
}
