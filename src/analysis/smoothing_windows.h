#pragma once

#include "analysis/complex.h"

// Window choices of the FFTWindow setting.
enum WindowKind {
  kWindowRectangle = 1,
  kWindowTriangular = 2,
  kWindowHanning = 3,
  kWindowHamming = 4,
  kWindowBlackman = 5
};

// Each multiplies both parts of values 0..n-1 by the window weight for length n.
// Lengths below 2 have no defined weights and are left unweighted.
void WindowTriangular(Complex* x, int n);
void WindowHanning(Complex* x, int n);
void WindowHamming(Complex* x, int n);
void WindowBlackman(Complex* x, int n);

// Applies the window chosen by an FFTWindow value; 1 and unknown values leave x unweighted.
void ApplyWindow(Complex* x, int n, int fftWindow);
