#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "analysis/measurement_stats.h"
#include "analysis/measurements.h"

// Channel names in files and expectations: "left" (also the only channel) and "right".
std::string_view ChannelName(int channel);

// A number with '.' as the decimal point whatever the locale, ten significant digits (enough
// for a frequency to a part in 1e8).
std::string FormatMeasurementNumber(double value);

// The measurement file: the header
// "channel,quantity,value,unit,valid,mean,min,max,stddev,count", then one row per channel and
// quantity in the order of Quantity. An invalid value and the statistics of a quantity with no
// valid update are left empty. last and stats hold `channels` (1 or 2) entries.
std::string MeasurementCsv(const ChannelMeasurement* last, const ChannelStats* stats, int channels);

// A pass/fail check of one quantity: "left.frequency=1000+-0.5" (within the tolerance, which may
// end in % of the figure), "left.thd_db<-60" or "right.snr>80".
struct Expectation {
  enum class Op { kNear, kBelow, kAbove };
  std::string text;
  int channel = 0;
  Quantity quantity = Quantity::kFrequency;
  Op op = Op::kNear;
  double figure = 0;
  double tolerance = 0;
  // A value measured beside the quantities (ExtraMeasurement): its channel ("left", "right",
  // "cursor") and name; empty for a quantity.
  std::string extraChannel;
  std::string extraQuantity;
};

// A value a run measures beside the quantities: the spectrum peaks ("left", "peak1_hz") and the
// cursors ("cursor", "dx").
struct ExtraMeasurement {
  std::string channel;
  std::string quantity;
  double value = 0;
  std::string unit;
  bool valid = false;
};

// Their rows of the measurement file, in its columns; no statistics.
std::string ExtraMeasurementRows(const std::vector<ExtraMeasurement>& extras);

// The names an expectation may give beside the quantities: peakN_hz and peakN_db (N 1..8) of
// left or right, and dx, inv_dx and dy of cursor.
bool IsExtraMeasurementName(std::string_view channel, std::string_view quantity);

// Parses text; false with a one-line reason in error.
bool ParseExpectation(std::string_view text, Expectation& e, std::string& error);

// Checks e against the newest values; an empty string when it holds, else the line saying why it
// failed. A value that is not valid never passes.
std::string CheckExpectation(const Expectation& e, const ChannelMeasurement* last, int channels);
// The same, an extra value's expectation checked against extras (failed when it is not there).
std::string CheckExpectation(const Expectation& e, const ChannelMeasurement* last, int channels,
                             const std::vector<ExtraMeasurement>& extras);

// Why a channel's values are not valid, in a few words ("the input clips").
std::string InvalidReason(const ChannelMeasurement& m, Quantity q);

// The measurement log: the header "time_s" followed by one column per channel and quantity
// ("left_frequency", ..., "right_enob"), and one row per update with the seconds since the log
// began and the values, an invalid value left empty. Rows end with a line feed.
std::string MeasurementLogHeader(int channels);
std::string MeasurementLogRow(double seconds, const ChannelMeasurement* last, int channels);

// The name a person reads for a quantity ("THD+N", "Vrms"); the files, the command line and the
// expectations keep QuantityName. The menu text adds the unit: "THD+N (dB)".
std::string_view QuantityTitle(Quantity q);
std::string QuantityMenuText(Quantity q);

// The readout's text of a value: the figure with its unit ("1000.000 Hz", "-92.31 dB"), or
// "---" with the reason in brackets when it is not valid. Each quantity keeps the digits it
// resolves: levels to 0.01 mV or dB, the fitted frequency to the millihertz.
std::string ReadoutValue(const ChannelMeasurement& m, Quantity q);
// The readout's statistics of a quantity: "mean M sd S" and "MIN .. MAX", empty strings
// before the first valid update.
std::string ReadoutMeanLine(const RunningStats& s, Quantity q);
std::string ReadoutRangeLine(const RunningStats& s, Quantity q);

// One line of the readout: the quantity's name and, per channel, the value and (when asked) the
// two statistics lines.
struct ReadoutRow {
  Quantity quantity = Quantity::kFrequency;
  std::string label;  // "THD+N"
  std::string value[2];
  bool valid[2] = {false, false};
  std::string mean[2];
  std::string range[2];
};
std::vector<ReadoutRow> BuildReadout(const ChannelMeasurement* last, const ChannelStats* stats,
                                     int channels, const std::vector<Quantity>& quantities,
                                     bool statistics);
