#include "serial/confidencetext.h"

#include <sstream>

std::string ConfidenceText(double confidence) {
  // The stream's default general format drops trailing zeros and the point;
  // confidences carry at most two decimals, well within its six digits.
  std::ostringstream s;
  s << confidence;
  return s.str();
}
