#pragma once

// A complex value as the transforms and spectra store it: real part first.
struct Complex {
  double re;
  double im;
};
