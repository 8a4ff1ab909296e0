#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/measurement_report.h"
#include "analysis/response_quantity.h"

// A pass/fail check of one of the response analyser's numbers, written as the channels' checks
// are: "response.gain_db@1000=-3.01+-0.1", "response.delay_ms<2", "response.coherence@100>0.99".
struct ResponseExpectation {
  std::string text;
  ResponseQuantity quantity;
  Expectation::Op op = Expectation::Op::kNear;
  double figure = 0;
  double tolerance = 0;
};

// True when text names a response quantity (it begins "response.").
bool IsResponseExpectation(std::string_view text);
// Parses text; false with a one-line reason in error.
bool ParseResponseExpectation(std::string_view text, ResponseExpectation& e, std::string& error);
// Checks the value the analyser gives for e's quantity (NaN when it gives none); an empty
// string when it holds, else the line saying why it failed.
std::string CheckResponseExpectation(const ResponseExpectation& e, double value);

// The rows the measurement file adds for the response analyser after the channels' rows, in its
// columns "channel,quantity,value,unit,valid,mean,min,max,stddev,count" with the channel
// "response": the delay, then gain, phase and coherence (and THD when withDistortion) at the
// octave frequencies from 31.5 Hz to 16 kHz below half the rate, then any quantity of the
// checks not among them. value gives each quantity's value (NaN for none: left empty, valid 0).
std::string ResponseMeasurementRows(const std::function<double(const ResponseQuantity&)>& value,
                                    bool withDistortion, double rate,
                                    const std::vector<ResponseQuantity>& extra);
