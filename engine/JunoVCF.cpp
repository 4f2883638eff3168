#include "JunoVCF.h"

#include <algorithm>
#include <cmath>

JunoVCF::JunoVCF()
    : state{0, 0, 0, 0, 0, 0},
      cutoff(0.5f),
      resonance(0.5f),
      outputTap(0),
      filterType(0),
      antiDenormal(1e-8),
      sampleRate(44100.0),
      ratio(1.0) {}
