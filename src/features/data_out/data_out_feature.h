#pragma once

#include <memory>

#include "features/instrument_feature.h"

class DataOut;
class InputWatch;

// The data out of the program and the watch over its input: File > Export CSV..., Record...,
// Open Recording... and the recent recordings, the record mark and the lost-input mark.
class DataOutFeature : public InstrumentFeature {
 public:
  DataOutFeature();
  ~DataOutFeature() override;
  void CreateParts(const FrameParts& parts) override;
  bool OnCommand(int id) override;

  DataOut* Out() const { return m_pDataOut.get(); }
  InputWatch* Watch() const { return m_pInputWatch.get(); }

 private:
  std::unique_ptr<DataOut> m_pDataOut;
  std::unique_ptr<InputWatch> m_pInputWatch;  // after m_pDataOut: it goes first
};

// The data out and the input watch of features; nullptr without the feature.
inline DataOut* DataOutOf(const InstrumentFeatures& features) {
  auto* feature = FindFeature<DataOutFeature>(features);
  return feature != nullptr ? feature->Out() : nullptr;
}
inline InputWatch* InputWatchOf(const InstrumentFeatures& features) {
  auto* feature = FindFeature<DataOutFeature>(features);
  return feature != nullptr ? feature->Watch() : nullptr;
}
